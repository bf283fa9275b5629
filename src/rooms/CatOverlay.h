#pragma once
// The small drawings around the room's cat: butterfly, snow play, tears, dust, dirt and crumbs,
// word puffs, sleep letters, the reaction bubbles, and the two masks that hide parts of the cat.
// Each is a closed function of the frame time `t` (seconds since the reference date) and a few
// numbers; nothing keeps state between frames. Text is drawn from glyph outlines made once per
// word, so a frame allocates nothing once every word has been seen.
#include "life/PetTypes.h"
#include "life/ShopToyPlay.h"

#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QStringView>

#include <optional>
#include <span>

class QPainter;

namespace kp {

// t - trunc(t).
double overlayFrac(double v);

// --- Inside the cat group (figure coordinates, centred on the origin the caller sets) ---
// Two fluttering wings and a body, centred on the origin.
void paintButterfly(QPainter& p, double t);
// Five falling flakes and a puff of kicked-up snow around the origin.
void paintSnowPlay(QPainter& p, double t);
// Two tears side by side 10 points apart around the origin, bobbing by `d` in turn.
void paintTears(QPainter& p, double d);

// --- Particles (room coordinates) ---
struct OverlayParticle {
    QPointF centre;
    double diameter = 0;
    double opacity = 0;
};
// Puff `i` of 4 streaming behind a cat running in direction `f` from (x0, y0).
OverlayParticle dustPuff(int i, double t, double x0, double f, double y0);
// Speck `i` of 4 kicked in direction `d` from (x0, y0) on a small arc.
OverlayParticle dirtSpeck(int i, double t, double x0, double d, double y0);
// Crumb `i` of 3 falling from the mouth at (x0, y0) in direction `f`.
OverlayParticle crumb(int i, double t, double x0, double f, double y0);
void paintDustPuff(QPainter& p, int i, double t, double x0, double f, double y0);
void paintDirtSpeck(QPainter& p, int i, double t, double x0, double d, double y0);
void paintCrumb(QPainter& p, int i, double t, double x0, double f, double y0);

// --- Words and letters (room coordinates) ---
struct OverlayText {
    QPointF centre;
    double scale = 1;
    double opacity = 0;
    double rotation = 0;  // degrees
    double size = 8;      // font size
};
// Word `i` of `count` rising beside the head at (x0, y0), turns evenly spaced over `period`.
OverlayText wordPuff(int i, int count, double t, double period, double x0, double f, double y0);
void paintWordPuff(QPainter& p, int i, double t, double period, std::span<const QStringView> words,
                   const QColor& outline, double x0, double f, double y0);
// Letter `i` of 3 ("z") drifting up and away from the face at (x0, y0).
OverlayText sleepLetter(int i, double t, double period, double f, double x0, double y0);
void paintSleepLetter(QPainter& p, int i, double t, double period, double f, double x0, double y0);

// --- Masks ---
// The box play's mask of the figure, in figure coordinates: everything below its lower edge is
// inside the box and hidden. `phase` none means no box play.
QRectF boxPlayMask(const std::optional<ToyPlayPhase>& phase, double hop);
// The cat house's doorway (room coordinates) while the cat peeks out of it; none: nothing hidden.
std::optional<QPainterPath> houseDoorMask(bool peeking, const QRectF& door);

// --- Reaction bubbles (room coordinates, drawn over the whole room) ---
double reactionLifetime(PetReaction::Kind kind);
struct OverlayBubble {
    bool visible = false;
    QPointF centre;
    double scale = 1;
    double opacity = 0;
};
// Bubble of `r` at time `t` in a room `width` wide, for cat scale `s` and line `lineY` (floor line - 30 s).
OverlayBubble reactionBubble(const PetReaction& r, double t, double width, double s, double lineY);
void paintReactionBubble(QPainter& p, const PetReaction& r, double t, double width, double s, double lineY);

// A word's glyph outline in the rounded heavy face at `size`, centred on the origin (cached).
const QPainterPath& overlayTextPath(QStringView text, double size, int weight);

}  // namespace kp
