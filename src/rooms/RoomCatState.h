#pragma once
// Everything the room's cat is drawn with in one frame, worked out from the cat's life model and
// the frame's values: where it stands, how large it is, its facing, stance, paws, head and the
// box play. Plain values; nothing is kept between frames.
#include "cat/CatLook.h"
#include "cat/CatOutfit.h"
#include "life/PetTypes.h"
#include "life/ShopItem.h"
#include "rooms/Perch.h"
#include "rooms/RoomCatMotion.h"
#include "rooms/RoomToys.h"

#include <QPointF>
#include <QRectF>

#include <optional>

namespace kp {

class PetLife;
struct RoomFrame;

struct RoomCatState {
    // The frame.
    double t = 0;
    double width = 0;
    double floorLine = 0;
    double opening = 1;

    // What the cat is up to.
    PetPose pose = PetPose::sitting;
    PetMood mood = PetMood::idle;
    std::optional<ShopItem> toy;
    std::optional<ShopItem> meal;
    std::optional<PetErrand> errand;
    bool dead = false;
    bool zooming = false;
    bool cursorOver = false;   // the pointer is over the room
    bool lying = false;
    bool asleep = false;
    bool music = false;        // music and a pose that listens to it
    bool musicPlaying = false; // music, whatever the pose (the headphones)
    bool raining = false;      // in the garden under rain, storm or snow

    // Size and stance.
    double s = 1;              // cat scale
    double headScale = 1;
    double f = 1;              // +1 facing right, -1 facing left
    double sit = 0, dip = 0, stretch = 0;
    double tail = 0;
    double springTilt = 0;
    double facingWidth = 1;    // signed horizontal scale from the facing spring (|x| >= 0.12)
    double squash = 1;
    PerchPlacement placement;

    // Where.
    double x = 0, y = 0;       // centre of the cat group, room points
    double facePoint = 0;      // the face's x, room points
    bool peek = false;         // peeking out of the garden house
    QRectF houseDoor;          // the house's doorway rectangle

    std::optional<BoxPlay> box;

    // The figure.
    bool backView = false;
    double backTurn = 0;
    double swing = 0;
    bool washing = false;
    PawPose paw;
    QPointF headOffset;        // from the figure's centre, figure frame
    double headRotation = 0;   // degrees
    double musicBob = 0;       // of which the nod to music: points up, and degrees
    double musicNod = 0;
    bool tongue = false;
    double tongueY = 0;
    double lookGain = 0.28;
    bool faceMirrored = false;
    std::optional<CatExpression> faceBase;

    // The head anchor in room points.
    QPointF headAnchor() const { return {x + headOffset.x() * f * s, y + headOffset.y() * s}; }
};

// The signed width factor for the facing spring: never thinner than 0.12 while the cat turns.
constexpr double facingWidthFor(double spring) {
    return spring >= 0 ? (spring > 0.12 ? spring : 0.12) : (spring < -0.12 ? spring : -0.12);
}

// The garden house's doorway in a room `width` wide, and where a cat of scale `s` peeking out of
// it stands (the centre of its group).
struct HousePeek {
    QRectF door;
    QPointF cat;
};
HousePeek housePeek(double width, double floorLine, double s);

// The state for `life` in `frame`. Reads the model only; call after the springs were stepped
// to the frame's time. `now` is the wall clock (the perch climbs run on it).
// `growth`: the cat's growth when the caller read it already (it changes over days).
RoomCatState roomCatState(const PetLife& life, const RoomFrame& frame, bool musicPlaying, double now,
                          std::optional<PetGrowth> growth = std::nullopt);

// The outfit the cat wears this frame: the closet's, dressed for sleep, music and rain.
CatOutfit roomCatOutfit(const CatOutfit& worn, const RoomCatState& c);

}  // namespace kp
