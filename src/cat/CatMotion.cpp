#include "cat/CatMotion.h"

#include "platform/Random.h"

#include <algorithm>
#include <cmath>

namespace kp {

void Spring::step(double target, double dt) {
    if (!std::isfinite(velocity)) velocity = 0;
    if (!(dt > 0)) return;
    velocity += (stiffness * (target - value) - damping * velocity) * dt;
    value += velocity * dt;
    if (std::abs(value) > clamp) {
        value = std::copysign(clamp, value);
        velocity = 0;
    }
}

LiveFace::LiveFace() : LiveFace(SystemRandom::shared()) {}

LiveFace::LiveFace(RandomSource& random) : random_(&random) {}

void LiveFace::scheduleBlink(double after, double lo, double hi) { nextBlink_ = after + random_->uniform(lo, hi); }

double LiveFace::blinkAt(double t) {
    while (t >= nextBlink_ + blinkSeconds) {
        const double end = nextBlink_ + blinkSeconds;
        if (t - end > 10) {
            // Long away (a sleeping machine, a paused window): start afresh rather than replay.
            scheduleBlink(t, 2.2, 5.5);
            secondBlink_ = false;
            break;
        }
        // Now and then a second blink follows at once, but never a third.
        if (!secondBlink_ && random_->chance(doubleBlinkChance)) {
            nextBlink_ = end + doubleBlinkGap;
            secondBlink_ = true;
        } else {
            scheduleBlink(end, 2.2, 5.5);
            secondBlink_ = false;
        }
    }
    if (t < nextBlink_) return 0;
    const double u = (t - nextBlink_) / blinkSeconds;
    return 1 - std::abs(2 * u - 1);
}

FaceFrame LiveFace::frame(CatExpression target, std::optional<double> x, double t) {
    if (!started_) {
        // A fresh face is neutral: no blink, no sway, no cross-fade (album photos rely on it).
        started_ = true;
        lastT_ = t;
        lastX_ = x;
        lastTarget_ = target;
        current_ = target;
        previous_.reset();
        scheduleBlink(t, 1.0, 3.0);
        cached_ = FaceFrame{target, std::nullopt, 1, 0, 0};
        return cached_;
    }
    if (t == lastT_ && target == lastTarget_) return cached_;

    if (t < lastT_ - 1) {
        // The clock went back: whatever was pending lies in a future that will not come.
        previous_.reset();
        scheduleBlink(t, 1.0, 3.0);
        secondBlink_ = false;
    }
    const double elapsed = t - lastT_;
    const double dt = elapsed > 0 ? std::min(elapsed, maxStep) : 0;

    if (target != current_) {
        previous_ = current_;
        current_ = target;
        blendStart_ = t;
    }
    double mix = 1;
    if (previous_) {
        const double p = std::clamp((t - blendStart_) / blendSeconds, 0.0, 1.0);
        mix = p * p * (3 - 2 * p);
        if (p >= 1) {
            previous_.reset();
            mix = 1;
        }
    }

    if (dt > 0) {
        const double raw = (x && lastX_) ? (*x - *lastX_) / elapsed : 0;
        sway.speed += 0.3 * (raw - sway.speed);
        if (!std::isfinite(sway.speed)) sway.speed = 0;
    }
    const double swayTarget = std::clamp(-sway.speed / 900, -0.6, 0.6);
    sway.spring.step(swayTarget, dt);

    FaceFrame out;
    out.expression = current_;
    out.previous = previous_;
    out.mix = mix;
    out.blink = blinkAt(t);
    out.sway = sway.spring.value + 0.05 * std::sin(0.9 * t);

    lastT_ = t;
    lastX_ = x;
    lastTarget_ = target;
    cached_ = out;
    return out;
}

}  // namespace kp
