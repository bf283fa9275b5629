#include "desktop/DesktopSteps.h"

#include "life/PetLife.h"

#include <algorithm>
#include <cmath>

namespace kp {

using namespace desktopsteps;

namespace {

const QString kPleaLines[] = {QStringLiteral("break time?"), QStringLiteral("stretch?")};
const QString kVideoLines[] = {QStringLiteral("!"), QStringLiteral("ooh"), QStringLiteral("?"), QStringLiteral("!!")};
const QString kWatchLines[] = {QStringLiteral("?"), QStringLiteral("??"), QStringLiteral("…?"), QStringLiteral("hm?"),
                               QStringLiteral("!")};
const QString kGrumpyLines[] = {QStringLiteral("hmph."), QStringLiteral("rude."), QStringLiteral("mrrr!")};
const double kTilts[] = {-16, -8, 0, 0, 10, 18};

template <std::size_t N>
const QString& pick(DesktopCat& cat, const QString (&lines)[N]) {
    return lines[pickIndex(cat, int(N))];
}

}  // namespace

void DesktopCat::pleaStep(double now, double t, double length) {
    pose = Pose::lie;
    if (now - lastPlea > 7) {
        lastPlea = now;
        say(*this, now, pick(*this, kPleaLines));
        playSound(PetSound::meow);
    }
    if (secondsSinceInput() > 15 || t > length) {
        lovedUntil = now + 2;
        heart(*this, now, 10);
        const int down = terrain.dock ? ground::dock : ground::floor;
        plan = {Step::loaf(2), Step::hop(down, feet.x())};
        stepStarted = now;
        breakOver = true;
    }
}

void DesktopCat::askStep(double now, double t, double length) {
    pose = Pose::sit;
    if (!asking) {
        nextStep(now);
        return;
    }
    if (life().need() != asking) {
        // Met, or another need came: a thank-you and straight home.
        asking.reset();
        breakOver = true;
        lovedUntil = now + 1.5;
        heart(*this, now, 8);
        playSound(PetSound::trill);
        headHome(true);
        return;
    }
    if (now - lastAskSay > 8) {
        lastAskSay = now;
        const QString line = needLine(*asking);
        say(*this, now, line, uniform(-10, 10));
        meowUntil = now + 0.8;
        playSound(PetSound::meow);
    }
    if (t > length) {
        asking.reset();
        breakOver = true;
        headHome(false);
    }
}

void DesktopCat::followStep(double now, double dt, const Ledge& ground, double t, double length) {
    lastFollow = now;
    if (now - mouseMovedAt > 3 || t > length) {
        nextStep(now);
        return;
    }
    const double s = bodyScale();
    const double m = margin(s);
    const auto hopThere = [&](const Ledge& to) {
        plan = {Step::hop(to.window, mouse.x()), Step::follow(std::max(length - t, 2.0))};
        stepStarted = now;
    };

    // The pointer rests over a ledge a little below it: hop up (or down) to it.
    if (now - mouseMovedAt > 0.7) {
        for (const Ledge& l : terrain.ledges) {
            if (l.window == window) continue;
            if (mouse.x() < l.x0 + 20 || mouse.x() > l.x1 - 20) continue;
            if (!(mouse.y() < l.y && l.y < mouse.y() + 110)) continue;
            if (l.y < feet.y() - 340) continue;
            hopThere(l);
            return;
        }
    }

    const double target = spotOn(ground, mouse.x());
    const bool beyond = std::abs(target - mouse.x()) > 1e-9;
    if (beyond && std::abs(feet.x() - target) <= 3) {
        // At the end of the ledge with the pointer further on: the highest ledge under the pointer.
        const Ledge* best = nullptr;
        for (const Ledge& l : terrain.ledges) {
            if (l == ground) continue;
            if (mouse.x() < l.x0 + m || mouse.x() > l.x1 - m) continue;
            if (l.y < mouse.y() - 20 || l.y < feet.y() - 340) continue;
            if (!best || l.y < best->y) best = &l;
        }
        if (best) {
            hopThere(*best);
            return;
        }
    }

    const double d = std::abs(mouse.x() - feet.x());
    if (d > 26 * 1.45 * s) {
        const bool running = d > 240;
        pose = running ? Pose::run : Pose::walk;
        approach(*this, target, running ? 210 : 95, dt);
        if (beyond && std::abs(feet.x() - target) <= 2) pose = Pose::sit;
    } else {
        if (d > 4) facingRight = mouse.x() > feet.x();
        const QPointF head = headPoint();
        const double reach = std::hypot(mouse.x() - head.x(), mouse.y() - head.y());
        pose = (reach < 60 * 1.45 * s && now - mouseMovedAt < 0.6) ? Pose::swat : Pose::sit;
    }
}

void DesktopCat::chaseStep(double now, double dt, const Ledge& ground) {
    if (!userDragging) {
        nextStep(now);
        return;
    }
    pose = Pose::run;
    const double target = spotOn(ground, mouse.x());
    const double dy = feet.y() - mouse.y();
    if (dy > 160 || (std::abs(target - mouse.x()) > 1e-9 && std::abs(feet.x() - target) <= 3)) {
        const std::optional<Ledge> l = terrain.ledgeUnder(mouse.x(), mouse.y(), 20);
        if (l && *l != ground && l->y >= feet.y() - 360) {
            plan.insert(plan.begin(), Step::hop(l->window, mouse.x()));
            stepStarted = now;
            return;
        }
    }
    if (approach(*this, target, 260, dt)) pose = Pose::sit;
}

void DesktopCat::watchStep(double now, double dt, double t, double length) {
    pose = Pose::back;
    const bool video = playing().isVideo();
    if (now >= nextTilt) {
        nextTilt = now + uniform(1.4, 3.2);
        tiltTarget = kTilts[pickIndex(*this, 6)];
    }
    backTilt += (tiltTarget - backTilt) * std::min(1.0, 6 * dt);
    backTurn += (std::tanh((mouse.x() - feet.x()) / 260) - backTurn) * std::min(1.0, 3 * dt);
    if (now >= nextWonder) {
        nextWonder = now + (video ? uniform(8, 14) : uniform(5, 9));
        if (t > 1) say(*this, now, video ? pick(*this, kVideoLines) : pick(*this, kWatchLines));
    }
    // A playing video holds the cat's attention for up to 240 s whatever was planned.
    const bool timeUp = t > length && !(video && t < 240);
    if (!watchWindow || timeUp) {
        watchOver = true;
        backTilt = 0;
        backTurn = 0;
        nextStep(now);
    }
}

void DesktopCat::wokenUp(double now, const Ledge& ground) {
    WakeMood mood = WakeMood::happy;
    if (const auto wake = life().lastWake(); wake && now - wake->at < 5) mood = wake->mood;
    stepStarted = now;
    switch (mood) {
    case WakeMood::happy:
    case WakeMood::lazy:
        plan = {Step::sit(2)};
        heart(*this, now);
        break;
    case WakeMood::grumpy:
        grumpyUntil = now + 2.4;
        say(*this, now, pick(*this, kGrumpyLines));
        plan = {Step::sit(2.4), Step::groom(2)};
        break;
    case WakeMood::storming: {
        grumpyUntil = now + 3;
        say(*this, now, QStringLiteral("hmph!"));
        std::vector<Ledge> away;
        for (const Ledge& l : terrain.ledges)
            if (l.window != ground.window && l.width() >= 90 && std::abs(l.middle() - feet.x()) > 200) away.push_back(l);
        if (!away.empty()) {
            const Ledge l = away[std::size_t(pickIndex(*this, int(away.size())))];
            plan = {Step::hop(l.window, uniform(l.x0, l.x1)), Step::sit(5)};
        } else {
            // Off toward the middle of the screen.
            const double end = feet.x() < terrain.size.width() / 2 ? ground.x1 : ground.x0;
            plan = {Step::walk(end, true), Step::sit(5)};
        }
        break;
    }
    }
}

}  // namespace kp
