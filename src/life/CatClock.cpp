#include "life/CatClock.h"

#include <algorithm>
#include <cmath>

namespace kp {

namespace {

// The wall clock moving this much more or less than the machine counted is the clock being set; a
// clock that is only slewed (by a time service) drifts far less between two reads.
constexpr double kClockSetAtLeast = 0.5;

}  // namespace

CatClock::CatClock(const Clock& wall) : wall_(wall), lastWall_(wall.now()), lastBoot_(wall.sinceBoot()) {}

double CatClock::now() const {
    const double wall = wall_.now();
    const double boot = wall_.sinceBoot();
    const double set = (wall - lastWall_) - (boot - lastBoot_);
    // Set back, however little, or set forward: the cat's time never runs back and lives no step.
    if (std::abs(set) > kClockSetAtLeast || wall < lastWall_) offset_ += set;
    lastWall_ = wall;
    lastBoot_ = boot;
    return wall - offset_;
}

void CatClock::resumeAt(double t) {
    lastWall_ = wall_.now();
    lastBoot_ = wall_.sinceBoot();
    offset_ = lastWall_ - t;
}

double CatClock::towardWall() const {
    // Read first: reading the cat's time takes a new reading of the wall clock.
    const double t = now();
    const double by = lastWall_ - t;
    return by > -kBelievedBehind ? std::max(by, 0.0) : by;
}

}  // namespace kp
