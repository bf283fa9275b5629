#include "rooms/Perch.h"

#include "life/PetLife.h"

#include <algorithm>
#include <cmath>

namespace kp {

namespace {

double smoothstep(double p) { return p * p * (3 - 2 * p); }

PerchPlacement climb(const PerchSpot& spot, double p, double from, double to, double now) {
    PerchPlacement r;
    if (!spot.leap) {
        const double e = smoothstep(p);
        r.lift = spot.height * e + 10 * std::sin(M_PI * p);
        r.x = from + (to - from) * e;
        return r;
    }
    if (p < 0.16) {  // crouch
        r.lift = -2 * p / 0.16;
        r.x = from;
        r.tilt = -8 * p / 0.16;
        return r;
    }
    // The take-off carries the cat only a third of the way; it clings below the top and pulls up.
    const double mid = from + (to - from) * 0.35;
    const double h2 = spot.height - 20;
    r.posePaws = false;
    r.pawRaise = 1;
    if (p < 0.4) {  // jump
        const double q = (p - 0.16) / 0.24;
        const double k = 1 - (1 - q) * (1 - q);
        r.x = from + (mid - from) * k;
        r.lift = h2 * k + 6 * std::sin(M_PI * q);
        // Tipped on from the crouch's -8 degrees to -62, so the body never snaps back upright.
        r.tilt = -8 - 54 * k;
        r.pawAngle = -120 * k;
    } else if (p < 0.72) {  // cling; the wobble runs on the wall clock so uneven frames keep it moving
        r.x = mid;
        r.lift = h2 + 5 * (p - 0.4) / 0.32;
        r.tilt = -62 + 3 * std::sin(18 * now);
        r.pawAngle = -120 + 6 * std::sin(18 * now);
        r.scrabbling = true;
    } else {  // pull up
        const double e = smoothstep((p - 0.72) / 0.28);
        r.x = mid + (to - mid) * e;
        r.lift = (spot.height - 15) + 15 * e;
        r.tilt = -62 * (1 - e);
        r.pawAngle = -120 * (1 - e);
        r.pawRaise = 1 - e;
    }
    return r;
}

}  // namespace

PerchInputs PerchInputs::of(const PetLife& life) {
    return {life.pose(), life.highSpot(), life.climbedAt(), life.cameDown(), life.place()};
}

std::optional<PerchSpot> perchSpot(PetErrand errand) {
    switch (errand) {
    case PetErrand::tvTop: return PerchSpot{63.7, 1.4, true};
    case PetErrand::fridgeTop: return PerchSpot{75.4, 1.4, true};
    case PetErrand::catShelf: return PerchSpot{59.8, 1.4, true};
    case PetErrand::carrierTop: return PerchSpot{31.2, 0.55, false};
    default: return std::nullopt;
    }
}

PerchPlacement catPlacement(const PerchInputs& in, double width, double now) {
    if (in.pose == PetPose::lookout && in.highSpot && in.climbedAt) {
        if (const auto spot = perchSpot(*in.highSpot)) {
            // A clock set back before the climb holds the cat at the start rather than below it.
            const double p = std::clamp((now - *in.climbedAt) / spot->climbSeconds, 0.0, 1.0);
            return climb(*spot, p, in.place * width, kp::spot(*in.highSpot) * width, now);
        }
    }
    if (in.cameDown && 2 * (now - in.cameDown->at) < 1) {
        if (const auto spot = perchSpot(in.cameDown->spot)) {
            const double p = std::max(0.0, 2 * (now - in.cameDown->at));
            const double from = kp::spot(in.cameDown->spot) * width;
            const double to = in.place * width;
            PerchPlacement r;
            r.x = from + (to - from) * p;
            r.lift = spot->height * (1 - p * p) + 6 * std::sin(M_PI * p);
            r.tilt = 14 * std::sin(M_PI * p);
            return r;
        }
    }
    return {};
}

PerchPlacement catPlacement(const PetLife& life, double width, double now) {
    return catPlacement(PerchInputs::of(life), width, now);
}

}  // namespace kp
