#pragma once
// Where the drawn cat is while it climbs onto a high spot, sits up there, and jumps back down.
// The life model only records when a climb began and when the cat left; the motion in between is
// worked out here, once per frame, from those dates and the clock.
#include "life/PetTypes.h"

#include <optional>

namespace kp {

class PetLife;

struct PerchPlacement {
    double lift = 0;                // points above the floor line (negative: a crouch below it)
    std::optional<double> x;        // the cat's centre in room points; none: use its floor place
    double tilt = 0;                // degrees, clockwise, on the unmirrored (right-facing) figure
    double pawAngle = 0;            // used instead of the pose's paw motion when posePaws is false
    double pawRaise = 0;
    bool posePaws = true;
    bool scrabbling = false;        // clinging to the edge: the legs paddle fast

    bool operator==(const PerchPlacement&) const = default;
};

// What the placement reads of the cat.
struct PerchInputs {
    PetPose pose = PetPose::sitting;
    std::optional<PetErrand> highSpot;
    std::optional<double> climbedAt;
    std::optional<PetPerchExit> cameDown;
    double place = 0.5;

    static PerchInputs of(const PetLife& life);
};

// One high spot: how high it is, how long the climb takes and whether the cat leaps and clings
// (tall furniture) or simply hops (the carrier).
struct PerchSpot {
    double height = 0;
    double climbSeconds = 0;
    bool leap = false;
};

// The spot's figures, or none for an errand that is not a high spot.
std::optional<PerchSpot> perchSpot(PetErrand errand);

inline constexpr double kPerchDescentSeconds = 0.5;

// The placement for a room `width` points wide at wall-clock `now` (reference seconds).
// Pure and allocation-free.
PerchPlacement catPlacement(const PerchInputs& in, double width, double now);
PerchPlacement catPlacement(const PetLife& life, double width, double now);

}  // namespace kp
