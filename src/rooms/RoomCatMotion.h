#pragma once
// Small per-frame readers that turn the cat's pose and motion state into the numbers its figure is
// drawn with (leg swing, front paw, face), and the pointer report that lets the cat notice the user.
#include "core/IslandTypes.h"
#include "cat/CatLook.h"
#include "life/PetTypes.h"

#include <QPointF>

#include <optional>

namespace kp {

class PetLife;

// What the motion readers look at.
struct CatMotionInputs {
    PetPose pose = PetPose::sitting;
    bool dead = false;
    bool lyingDown = false;
    bool stepping = false;
    bool zooming = false;
    double springSit = 0;
    double springStretch = 0;
    double pawReach = 0;
    std::optional<double> lovedUntil;  // reference seconds

    static CatMotionInputs of(const PetLife& life);
    bool lovedAt(double t) const { return lovedUntil && *lovedUntil > t; }
};

struct PawPose {
    double angle = 0;  // degrees
    double raise = 0;  // 0...1
    bool operator==(const PawPose&) const = default;
};

// The body's leg swing at time `t` (reference seconds), about -1...1.
double legSwing(const CatMotionInputs& in, double t);
// A settled sitting cat washes its face for 1.6 s in every 8 s.
bool isWashingFace(const CatMotionInputs& in, double t);
PawPose pawMotion(const CatMotionInputs& in, bool washing, double t, double swing);
// The face's base expression, or none to let the face follow its own state.
std::optional<CatExpression> faceOverride(const CatMotionInputs& in, bool asleep, double t);

// The pointer's share of a room `width` points wide, `pointer` measured from the room's top-left
// corner; none unless the island is open and the pointer lies over the room.
std::optional<double> cursorShare(IslandMode mode, QPointF pointer, double islandHeight, double width);
// Half the primary screen's width, or 720 without a screen.
double screenMiddle();

}  // namespace kp
