// Hops, falls and landings of the cat, and the mug and gift beside it.
#include "desktop/DesktopCat.h"
#include "desktop/DesktopProps.h"

#include <QLineF>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kp {

namespace {

constexpr double kGravity = 2300;
constexpr double kTerminal = 1800;
constexpr double kHopSpeed = 1300;
constexpr double kNotchSpeed = 1500;
constexpr double kHopBase = 0.38;
constexpr double kHopMax = 1.3;
constexpr double kHopImpact = 600;
constexpr double kHardImpact = 900;
constexpr double kCupBounceSpeed = 400;
constexpr double kCupLifetime = 7;
constexpr double kGiftLifetime = 25;
constexpr double kPropSlack = 6;

// Where a fall ending on this floor or Dock piece puts the feet.
double landingSpot(const Ledge& l, double x) {
    if (l.width() > 60) return std::clamp(x, l.x0 + 30, l.x1 - 30);
    return l.middle();
}

}  // namespace

void DesktopCat::startFlight(QPointF to, int w, bool intoNotch) {
    const double d = QLineF(feet, to).length();
    const double duration = std::min(d / (intoNotch ? kNotchSpeed : kHopSpeed) + kHopBase, kHopMax);
    const double rise = std::max(0.0, feet.y() - to.y());
    const double arc = intoNotch ? 30 + 0.08 * rise : 36 + 0.25 * rise;
    flight = Flight{feet, to, now(), duration, w, intoNotch, arc};
    facingRight = to.x() >= feet.x();
    pose = Pose::air;
}

void DesktopCat::updateFlight(double now) {
    if (!flight) return;
    const Flight f = *flight;
    // Within a microsecond of the end counts as the end: dates far from the reference date keep
    // only about 0.1 µs of precision.
    const double elapsed = now - f.start;
    const double t = elapsed >= f.duration - 1e-6 ? 1.0 : std::max(elapsed / f.duration, 0.0);
    feet = QPointF(f.from.x() + (f.to.x() - f.from.x()) * t,
                   f.from.y() + (f.to.y() - f.from.y()) * t - 4 * f.arc * t * (1 - t));
    pose = Pose::air;
    if (f.intoNotch) {
        appear = std::min(appear, std::max(0.0, (1 - t) / 0.35));
        if (t >= 1) {
            flight.reset();
            if (onHome) onHome();
        }
        return;
    }
    if (t < 1) return;
    flight.reset();
    const std::optional<Ledge> l = terrain.ledge(f.window, feet.x());
    if (l && feet.x() >= l->x0 - 4 && feet.x() <= l->x1 + 4 && std::abs(l->y - feet.y()) < 30) {
        land(*l, kHopImpact, now);
    } else {
        // The target moved or closed during the hop.
        falling = true;
        vy = 200;
    }
}

void DesktopCat::updateFall(double dt, double now) {
    pose = Pose::air;
    const double y0 = feet.y();
    vy = std::min(vy + kGravity * dt, kTerminal);
    vx *= 1 - std::min(0.8 * dt, 1.0);
    feet.rx() += vx * dt;
    // The screen's sides are walls far enough in for the whole cat to show.
    if (const double inside = keptOnScreen(feet.x()); inside != feet.x()) {
        feet.setX(inside);
        vx = -0.4 * vx;
    }
    const double y1 = y0 + vy * dt;
    if (vy > 0) {
        const Ledge* best = nullptr;
        for (const Ledge& l : terrain.ledges) {
            if (l.y < y0 - 0.5 || l.y > y1) continue;
            if (feet.x() < l.x0 + 4 || feet.x() > l.x1 - 4) continue;
            if (!best || l.y < best->y) best = &l;
        }
        if (best) {
            land(*best, vy, now);
            return;
        }
    }
    if (y1 >= terrain.size.height() - 1) {
        if (const std::optional<Ledge> spot = floorLanding()) {
            feet.setX(landingSpot(*spot, feet.x()));
            land(*spot, vy, now);
            return;
        }
    }
    feet.setY(y1);
}

void DesktopCat::startFalling() {
    falling = true;
    flight.reset();
    vx = 0;
    vy = 0;
    pose = Pose::air;
}

void DesktopCat::land(const Ledge& ledge, double impact, double now) {
    feet.setY(ledge.y);
    window = ledge.window;
    falling = false;
    flight.reset();
    vx = 0;
    vy = 0;
    squash = impact > kHardImpact ? 0.72 : 0.86;
    const double jolt = std::min(1 + impact / 400, 4.0);
    face.sway.spring.velocity += facingRight ? jolt : -jolt;
    pose = Pose::stand;
    stepStarted = now;
}

std::optional<Ledge> DesktopCat::floorLanding() const {
    std::optional<Ledge> best;
    double bestDistance = 0;
    for (const Ledge& l : terrain.ledges) {
        if (l.window != ground::floor && l.window != ground::dock) continue;
        const double d = std::abs(landingSpot(l, feet.x()) - feet.x());
        if (!best || d < bestDistance) {
            best = l;
            bestDistance = d;
        }
    }
    return best;
}

// nextStep() lives with the step runner (DesktopStepNext.cpp).

void DesktopCat::updateCup(double dt, double now) {
    if (!cup) return;
    Cup c = *cup;
    if (c.landedAt) {
        if (now - *c.landedAt > kCupLifetime) cup.reset();
        return;
    }
    if (!c.falling) {
        const std::optional<Ledge> l = terrain.ledge(c.window, c.p.x());
        if (!l || c.p.x() < l->x0 - kPropSlack || c.p.x() > l->x1 + kPropSlack) c.falling = true;
    }
    if (c.falling) {
        c.vy = std::min(c.vy + kGravity * dt, kTerminal);
        c.p.rx() += c.vx * dt;
        c.angle += c.spin * dt;
        const double y1 = c.p.y() + c.vy * dt;
        const Ledge* hit = nullptr;
        if (c.vy > 0) {
            for (const Ledge& l : terrain.ledges) {
                if (!(c.p.y() + 0.5 < l.y && l.y <= y1)) continue;
                if (c.p.x() < l.x0 || c.p.x() > l.x1) continue;
                if (!hit || l.y < hit->y) hit = &l;
            }
        }
        if (hit) {
            c.p.setY(hit->y);
            c.window = hit->window;
            playSound(PetSound::pop);
            if (c.vy > kCupBounceSpeed && !c.bounced) {
                c.bounced = true;
                c.vx *= 0.5;
                c.vy *= -0.32;
                c.spin *= 0.5;
            } else {
                c.falling = false;
                c.angle = c.spin >= 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
                c.landedAt = now;
            }
        } else {
            c.p.setY(y1);
            // Off the side of the screen nothing catches it: gone once it is out of sight.
            if (c.p.y() - 2 * Mug::height > terrain.size.height()) {
                cup.reset();
                return;
            }
        }
    }
    cup = c;
}

void DesktopCat::updateGift(double now) {
    if (!gift) return;
    if (gift->carried) {
        const double k = sizeUnit();
        const QPointF h = headPoint();
        gift->p = QPointF(h.x() + (facingRight ? 1 : -1) * 9 * k, h.y() + 10 * k);
        return;
    }
    if (gift->placedAt && now - *gift->placedAt > kGiftLifetime) {
        gift.reset();
        return;
    }
    if (gift->window != ground::floor) {
        const std::optional<Ledge> l = terrain.ledge(gift->window, gift->p.x());
        if (!l || gift->p.x() < l->x0 - kPropSlack || gift->p.x() > l->x1 + kPropSlack) gift.reset();
    }
}

}  // namespace kp
