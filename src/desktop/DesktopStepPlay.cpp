#include "desktop/DesktopSteps.h"

#include <algorithm>
#include <cmath>

namespace kp {

using namespace desktopsteps;

void DesktopCat::peekStep(double now, const Ledge& ground, double t, double length) {
    // Nothing to dip behind on the floor or the Dock.
    if (ground.window == ground::floor || ground.window == ground::dock) {
        nextStep(now);
        return;
    }
    pose = Pose::sit;
    peekLine = ground.y;
    if (t < 0.35)
        peekDepth = t / 0.35;
    else if (t < 1.5)
        peekDepth = 1;
    else if (t < 1.9)
        peekDepth = 1 - 0.45 * (t - 1.5) / 0.4;
    else if (t < length - 0.6)
        peekDepth = 0.55 + 0.04 * std::sin(3 * t);
    else
        peekDepth = 0.55 * std::max(0.0, (length - t) / 0.6);
    if (std::abs(mouse.x() - feet.x()) > 4) facingRight = mouse.x() > feet.x();
    if (t >= length) {
        peekLine.reset();
        peekDepth = 0;
        say(*this, now, QStringLiteral("boo!"));
        playSound(PetSound::mew);
        nextStep(now);
    }
}

void DesktopCat::pounceLeap() {
    double y = mouse.y();
    int to = -9;  // no ground: the leap ends in a fall from the pointer
    for (const Ledge& l : terrain.ledges) {
        if (l.x0 + 6 <= mouse.x() && mouse.x() <= l.x1 - 6 && std::abs(l.y - mouse.y()) < 40) {
            y = l.y;
            to = l.window;
            break;
        }
    }
    startFlight(QPointF(keptOnScreen(mouse.x()), y), to, false);
    playSound(PetSound::mew);
}

void DesktopCat::bringGiftStep(double now, const Ledge& ground) {
    if (!gift || !gift->carried) {
        nextStep(now);
        return;
    }
    const double gap = 24 * 1.45 * bodyScale();
    const double dropX = mouse.x() >= feet.x() ? mouse.x() - gap : mouse.x() + gap;
    plan.erase(plan.begin());
    Plan front;
    if (ground.x0 + 10 <= mouse.x() && mouse.x() <= ground.x1 - 10) {
        front = {Step::walk(dropX, false), Step::of(Kind::dropGift)};
    } else if (const auto l = terrain.ledgeUnder(mouse.x(), mouse.y(), 20); l && l->y >= feet.y() - 360) {
        front = {Step::hop(l->window, dropX), Step::of(Kind::dropGift)};
    } else {
        front = {Step::of(Kind::dropGift)};
    }
    plan.insert(plan.begin(), front.begin(), front.end());
    stepStarted = now;
}

void DesktopCat::playStep(double now, double dt, const Ledge& ground, double t, double length) {
    const double s = bodyScale();
    const double reach = 24 * 1.45 * s;
    double x = toy ? toy->x() : clampToGround(feet.x() + (facingRight ? reach : -reach), ground, margin(s));
    if (t > length) {
        toy.reset();
        nextStep(now);
        return;
    }
    x += dt * toyVX;
    toyVX *= std::pow(0.08, dt);
    // The toy bounces off the ground's ends, and off the screen's sides where the cat, kept wholly
    // in sight, could reach it no further.
    const double lo = std::max(ground.x0 + 6, keptOnScreen(ground.x0) - reach);
    const double hi = std::max(lo, std::min(ground.x1 - 6, keptOnScreen(ground.x1) + reach));
    if (x < lo || x > hi) {
        toyVX = -0.6 * toyVX;
        x = std::clamp(x, lo, hi);
    }
    toy = QPointF(x, ground.y);

    const double dir = x >= feet.x() ? 1 : -1;
    if (std::abs(x - feet.x()) > 6 + reach) {
        pose = Pose::run;
        approach(*this, keptOnScreen(x - dir * reach), 170, dt);
        return;
    }
    facingRight = x >= feet.x();
    const bool still = std::abs(toyVX) < 30;
    if (still) {
        pose = Pose::crouch;
        wiggle = true;
    } else {
        pose = Pose::swat;
    }
    if (now >= nextSwat && still) {
        double direction = dir;
        if (unit() < 0.25) direction = -direction;
        toyVX = direction * uniform(160, 340);
        nextSwat = now + uniform(0.5, 1.1);
        pose = Pose::swat;
    }
}

void DesktopCat::nudgeCupStep(double now, double t) {
    if (!cup || cup->falling) {
        nextStep(now);
        return;
    }
    facingRight = cup->p.x() >= feet.x();
    pose = Pose::swat;
    const int n = int(std::floor(2 * t));  // one nudge per half second
    if (nudges >= n) return;
    nudges = n;
    const double dir = facingRight ? 1 : -1;
    if (n <= 2) {
        cup->p.setX(cup->p.x() + 3 * dir);
        playSound(PetSound::pop);
        return;
    }
    cup->falling = true;
    cup->vx = 110 * dir;
    cup->vy = 0;
    cup->spin = 7 * dir;
    smugUntil = now + 3;
    nudges = 0;
    nextStep(now);
}

}  // namespace kp
