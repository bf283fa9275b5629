#pragma once
// The album's photo sources for the app to hand to MacAlbum: the story film's arrival frame and the
// open island's room. Header-only, so the album library does not depend on the film or the rooms;
// include it where both are linked (the app).
#include "album/MacAlbum.h"
#include "cat/art/CatDrawing.h"
#include "onboarding/StoryFilm.h"

#include <QPainter>

namespace kp {

// The film at 20.6 s, framed 420 x 320 points, at scale 3: the kitten stepping through the door.
inline QImage arrivalFilmSnapshot(CatBreed breed) {
    story::StoryFilm film;
    film.t = 20.6;
    film.size = QSizeF(420, 320);
    film.layout.letterbox = true;
    film.layout.below = 92;
    film.layout.walkZoom = 1.0;
    film.layout.wideZoom = 0.46;
    film.layout.closeZoom = 0.86;
    film.layout.personAt = 0.62;
    film.layout.caption = 19;
    CatEnv env;
    env.breed = breed;
    // Through frames of its own, so that the film's kept drawings are let go once the photo is taken.
    story::FilmFrames frames;
    return MacAlbum::renderOffscreen(QSizeF(420, 320), 3.0, [&](QPainter& p) { frames.paint(p, film, env); });
}

// A room painter (for example the island's room view at an island height of 160) drawn into
// 640 x 160 points at scale 3.
template <typename PaintRoom>
QImage roomSceneSnapshot(PaintRoom&& paintRoom) {
    return MacAlbum::renderOffscreen(QSizeF(640, 160), 3.0,
                                     [&](QPainter& p) { paintRoom(p, QRectF(0, 0, 640, 160)); });
}

}  // namespace kp
