#pragma once
// The toy the room's cat plays with and the small signs of what it is doing: the cardboard box it
// hops into, yarn, feather wand, laser dot, snow play or butterfly, tears, the sick drop, zoomies
// dust, sleep letters and the pose's words or particles. Decided afresh every frame.
#include "life/PetTypes.h"
#include "life/ShopItem.h"
#include "life/ShopToyPlay.h"

#include <QColor>
#include <QPointF>
#include <QStringView>

#include <optional>
#include <span>

class QPainter;

namespace kp {

struct RoomCatState;

// Where the box play stands this frame.
struct BoxPlay {
    ToyPlayPhase phase;
    double hop = 0;   // the cat's drop in the group frame, points, positive down
    double m = 0;     // 0...1: how far the cat has moved into the box
    bool nap = false; // settled inside for the long middle spell: the cat sleeps

    // The box's offset in the group frame: it stays put while the cat hops in and out.
    QPointF boxOffset() const { return {28 * (1 - m), -0.6 - hop}; }
};

// The box play for a cat with `toy` in `pose`, `elapsed` seconds into the play; none when there is
// no box play (another toy, another pose, lying down, or a play that has not started).
std::optional<BoxPlay> boxPlay(std::optional<ShopItem> toy, PetPose pose, bool lying, std::optional<double> elapsed);

// The words or particles shown for a pose.
struct PoseEffect {
    std::span<const QStringView> words;
    QColor outline;
    bool crumbs = false;
    bool dirt = false;
    QPointF anchor;       // room points: the head anchor (or the point behind the cat for dirt)
    double time = 0;      // the time the words run on
    double opacity = 1;   // before the opening fraction

    bool empty() const { return words.empty() && !crumbs && !dirt; }
};

// The effect for the cat state `c` at time `t`.
PoseEffect poseEffect(const RoomCatState& c, double t);

// --- Painting (the cat scene calls these in its drawing order) ---
// The box's back or front half in the group frame.
void paintBoxHalf(QPainter& p, const BoxPlay& box, bool front);
// Yarn, feather wand, snow play or butterfly, tears and the sick drop, in the group frame.
void paintGroupToys(QPainter& p, const RoomCatState& c);
// Laser dot and zoomies dust (room frame, below the cat).
void paintToysBelow(QPainter& p, const RoomCatState& c);
// Sleep letters and the pose effect (room frame, over the cat).
void paintEffectsAbove(QPainter& p, const RoomCatState& c);

}  // namespace kp
