// The body frame: once per drawn frame every smoothed body value moves one damped-spring step
// toward a target picked from the cat's state, so pose changes ease in and idle poses breathe.
// Runs at the display rate: plain arithmetic, no allocation, no notification.
#include "PetLife.h"

#include <algorithm>
#include <cmath>

namespace kp {

namespace {

constexpr double kMaxFrameStep = 0.05;  // a stalled frame never makes a spring overshoot
constexpr double kFirstFrameStep = 1.0 / 60;

struct Targets {
    double y = 0, tilt = 0, squash = 1, tail = 0, sit = 0, stretch = 0;
};

void stepSpring(double& x, double& v, double target, double k, double d, double dt) {
    v += (k * (target - x) - d * v) * dt;
    x += v * dt;
}

bool before(const std::optional<double>& until, double t) { return until && t < *until; }

}  // namespace

bool PetLife::isLyingDown() const {
    return isDead_ || isSleeping_ || pose_ == PetPose::napping || pose_ == PetPose::resting ||
           pose_ == PetPose::bellyUp;
}

std::optional<double> PetLife::toyElapsed() const {
    if (!toy_ || !toyUntil_) return std::nullopt;
    const double length = *toy_ == ShopItem::laser ? 7.0 : *toy_ == ShopItem::box ? 45.0 : 6.0;
    return length - (*toyUntil_ - now());
}

SkyWeather PetLife::frameWeather(double t) {
    if (std::abs(t - frameWeatherAt_) >= 1) {
        frameWeather_ = look().weather;
        frameWeatherAt_ = t;
    }
    return frameWeather_;
}

void PetLife::frame(double t) {
    PetSprings& s = springs_;
    // A frame time that runs backwards (a clock set back) holds the springs still for a frame.
    const double dt = s.lastTime == 0 ? kFirstFrameStep : std::clamp(t - s.lastTime, 0.0, kMaxFrameStep);
    s.lastTime = t;

    const bool fussing = before(fussUntil_, t);
    const bool loved = before(lovedUntil_, t);
    const bool startled = before(startledUntil_, t);
    const bool lying = isLyingDown();
    const bool sneezing = sneezedAt_ && t - *sneezedAt_ >= 0 && t - *sneezedAt_ < 0.45;
    auto sn = [t](double f) { return std::sin(f * t); };
    if (pose_ == PetPose::playing) updatePlay(t);

    Targets g;
    if (startled && !lying) {
        g = {-7, -10, 1.12, 40, 0, 0};
    } else if (fussing) {
        g = {-2, 14 * sn(22), 0.88, 20 * sn(16), 0, 0};
    } else if (sneezing && !lying) {
        g = {1.5, 14, 0.9, 12, 0, 0};
    } else if (pose_ == PetPose::bellyUp) {
        g = {1 + 0.8 * sn(4), 9 * sn(2.6), 1, 12 * sn(3.4), 0, 0};
    } else if (loved) {
        g = {-1.5 * std::abs(sn(9)), -8, 1.04, 26 + 12 * sn(7), isStepping_ ? 0.0 : 1.0, 0};
    } else if (isDead_) {
        g = {8, 0, 1, 6, 0, 0};
    } else if (lying && isNightSleeping()) {
        g = {6 + 1.5 * sn(0.8), 0, 1 + 0.04 * sn(0.8), 8, 0, 0};
    } else if (lying) {
        g = {6 + 1.2 * sn(1.4), 0, 1 + 0.03 * sn(1.4), 8 + 4 * sn(0.8), 0, 0};
    } else if (isZooming_) {
        g = {-4 * std::abs(sn(18)), 4, 0.9 + 0.06 * sn(18), 10 * sn(18) - 20, 0, 0};
    } else {
        switch (pose_) {
        case PetPose::eating: g = {1, 0, 0.97 + 0.025 * std::abs(sn(12)), 10 + 6 * sn(2), 0, 0}; break;
        case PetPose::drinking: g = {1, 0, 0.97 + 0.025 * std::abs(sn(18)), 10 + 6 * sn(2), 0, 0}; break;
        case PetPose::sniffing: g = {-1, -14 + 2 * sn(20), 1.05, 18 + 6 * sn(3), 0, 0}; break;
        case PetPose::stretching:
            g = {0, -10, 1, 30, 0, (t - beatStarted_) / 1.8 < 0.75 ? 1.0 : 0.0};
            break;
        case PetPose::licking: g = {1, -6 + 4 * sn(8), 1, 10 * sn(1.2), 1, 0}; break;
        case PetPose::kneading: g = {0.8 * sn(6), -4, 0.96 + 0.03 * sn(12), 24 + 6 * sn(1.5), 0, 0}; break;
        case PetPose::digging: g = {2, 10, 0.9, 30, 0, 0}; break;
        case PetPose::hiding: g = {4, 3 + 1.4 * sn(34), 0.82, -16, 0, 0}; break;
        case PetPose::hunting: g = {3.5, 2, 0.84, -6 + 6 * sn(10), 0, 0}; break;
        case PetPose::playing:
            switch (playPhase_) {
            case PlayPhase::crouch: g = {3, 6, 0.86, 8 + 4 * sn(12), 0, 0}; break;
            case PlayPhase::reach: g = {2, 4, 0.9, 12, 0, 0}; break;
            case PlayPhase::watch: g = {1, 0, 1 + 0.025 * sn(1.6), 10 * sn(0.9), 1, 0}; break;
            }
            break;
        case PetPose::lookout: {
            bool settled = false;
            if (highSpot_ && climbedAt_) {
                const bool tall = *highSpot_ == PetErrand::tvTop || *highSpot_ == PetErrand::fridgeTop ||
                                  *highSpot_ == PetErrand::catShelf;
                settled = t - *climbedAt_ >= (tall ? 1.4 : 0.55);
            }
            g = settled ? Targets{1, 0, 1, 8 + 10 * sn(0.6), 1, 0} : Targets{0, 0, 1, 18 * sn(9), 0, 0};
            break;
        }
        case PetPose::batting: g = {2, -4, 0.9 + 0.03 * sn(16), 24 * sn(7), 0, 0}; break;
        case PetPose::scratching: g = {0, -6, 1.04, 12 * sn(4), 0, 0}; break;
        case PetPose::watching: g = {1, 4 * sn(0.9), 1 + 0.02 * sn(1.4), 8 * sn(0.6), 1, 0}; break;
        case PetPose::perched:
            if (isRainy(frameWeather(t)))
                g = {0, 2 + 7 * sn(2.4), 1 + 0.02 * sn(1.3), 14 * sn(0.5), 1, 0};
            else
                g = {0, -6 + 6 * sn(0.7), 1 + 0.02 * sn(1.3), 14 * sn(0.5), 1, 0};
            break;
        case PetPose::healing: g = {-1, 0, 1.03, 6, 1, 0}; break;
        case PetPose::sitting: g = {1, 0, 1 + 0.025 * sn(1.6), 10 * sn(0.7) + 3 * sn(2.3), 1, 0}; break;
        default:
            if (mood_ == PetMood::crying)
                g = {4, 6, 1, -10, 0, 0};
            else if (isStepping_)
                g = {-3 * std::abs(sn(9)), 0, 1 + 0.03 * sn(9), -16 * sn(9), 0, 0};
            break;
        }
    }

    const double dip = (pose_ == PetPose::eating || pose_ == PetPose::drinking) && !fussing ? 1.0 : 0.0;
    const double perch = pose_ == PetPose::perched ? 1.0 : 0.0;
    const bool inBed = room_ == IslandRoomKind::bedroom &&
                       (isSleeping_ || (pose_ == PetPose::kneading && errand_ == PetErrand::sleep));
    const bool onCareBed = pose_ == PetPose::resting && room_ == IslandRoomKind::care;
    const double bed = inBed || onCareBed ? 1.0 : 0.0;
    const double facing = facingRight_ ? 1.0 : -1.0;

    stepSpring(s.y, s.velY, g.y, 220, 18, dt);
    stepSpring(s.tilt, s.velTilt, g.tilt, 160, 16, dt);
    stepSpring(s.squash, s.velSquash, g.squash, 280, 18, dt);
    stepSpring(s.tail, s.velTail, g.tail, 70, 9, dt);
    stepSpring(s.sit, s.velSit, g.sit, 90, 15, dt);
    stepSpring(s.dip, s.velDip, dip, 120, 16, dt);
    stepSpring(s.stretch, s.velStretch, g.stretch, 40, 11, dt);
    stepSpring(s.perch, s.velPerch, perch, 110, 13, dt);
    stepSpring(s.bed, s.velBed, bed, 110, 13, dt);
    s.facing += (facing - s.facing) * (1 - std::pow(1e-9, dt));
}

}  // namespace kp
