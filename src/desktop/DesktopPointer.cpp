// What the cat does with the user's hand: the pointer, file drags, clicks, pick-up and throw.
#include "desktop/DesktopCat.h"

#include "core/IslandTypes.h"
#include "core/Notifications.h"
#include "life/PetLife.h"
#include "platform/NotificationCenter.h"

#include <QLineF>

#include <algorithm>
#include <any>

namespace kp {

namespace {

constexpr double kMoveThreshold = 1.5;
constexpr double kMaxThrow = 900;

IslandRoomKind roomFor(PetNeed need) {
    switch (need) {
    case PetNeed::hungry: return IslandRoomKind::kitchen;
    case PetNeed::sad: return IslandRoomKind::living;
    case PetNeed::sick:
    case PetNeed::dirty: return IslandRoomKind::care;
    case PetNeed::dead: return IslandRoomKind::bedroom;
    }
    return IslandRoomKind::living;
}

}  // namespace

void DesktopCat::mouseMoved(QPointF to) {
    const double d = QLineF(mouse, to).length();
    mouse = to;
    if (d > kMoveThreshold) mouseMovedAt = now();
}

QRectF DesktopCat::hitRect() const {
    const double k = sizeUnit();
    if (pose == Pose::lie || pose == Pose::sleep)
        return {feet.x() - 27 * k, feet.y() - 26 * k, 54 * k, 28 * k};
    return {feet.x() - 27 * k, feet.y() - 44 * k, 54 * k, 46 * k};
}

void DesktopCat::userStartedDragging() {
    if (!isInterruptible() && currentStep() != Step::Kind::peek) return;
    plan = {Step::of(Step::Kind::chase)};
    stepStarted = now();
}

void DesktopCat::userStoppedDragging() {
    if (currentStep() != Step::Kind::chase) return;
    plan = {Step::of(Step::Kind::pounce), Step::sit(2.5)};
    stepStarted = now();
}

void DesktopCat::pet() {
    const double t = now();
    if (asking) {
        const PetNeed need = *asking;
        asking.reset();
        breakOver = true;
        lovedUntil = t + 1.2;
        pops.push_back(makePop(headPoint(), Pop::Kind::heart, {}, t, 0));
        playSound(PetSound::trill);
        if (world().hub) world().hub->post(note::openRoom, std::any(roomFor(need)));
        return;
    }
    PetLife& pet = life();
    const bool wasAsleep = pet.isSleeping();
    switch (pet.pet()) {
    case PetResult::loved: {
        lovedUntil = t + 1.4;
        const QPointF h = headPoint();
        for (int i = 0; i < 3; ++i) pops.push_back(makePop(h, Pop::Kind::heart, {}, t + 0.18 * i, uniform(-18, 18)));
        playSound(PetSound::purr);
        if (currentStep() == Step::Kind::plea) {
            if (pomodoroPhase() == Pomodoro::Phase::focusDone && world().startBreak) world().startBreak();
            breakOver = true;
            const int down = terrain.dock ? ground::dock : ground::floor;
            plan = {Step::loaf(2.5), Step::hop(down, feet.x())};
            stepStarted = t;
        } else if (wasAsleep || pose == Pose::lie) {
            plan = {Step::sit(2.5)};
            stepStarted = t;
        }
        break;
    }
    case PetResult::fussed:
        grumpyUntil = t + 1.2;
        squash = 0.82;
        face.sway.spring.velocity += coin() ? 3 : -3;
        pops.push_back(makePop(headPoint(), Pop::Kind::say, QStringLiteral("hss!"), t, 0));
        playSound(PetSound::growl);
        break;
    case PetResult::snoozed:
        pops.push_back(makePop(headPoint(), Pop::Kind::say, QStringLiteral("mrrmm…"), t, 0));
        break;
    case PetResult::wokeAngry:
    case PetResult::ignored: break;
    }
}

void DesktopCat::pickUp() {
    if (isDragged) return;
    isDragged = true;
    flight.reset();
    falling = false;
    plan.clear();
    PetLife& pet = life();
    if (pet.isSleeping() && pet.isOut()) pet.setSleeping(false);
    surprisedUntil = now() + 1.2;
    dragHistory.clear();
    peekLine.reset();
    peekDepth = 0;
    if (gift && gift->carried) gift.reset();
    playSound(PetSound::mew);
}

void DesktopCat::drop() {
    if (!isDragged) return;
    isDragged = false;
    QPointF v(0, 0);
    if (!dragHistory.empty()) {
        const DragSample& a = dragHistory.front();
        const DragSample& b = dragHistory.back();
        if (b.at > a.at) v = (b.p - a.p) / (b.at - a.at);
    }
    vx = std::clamp(v.x(), -kMaxThrow, kMaxThrow);
    vy = std::clamp(v.y(), -kMaxThrow, kMaxThrow);
    falling = true;
    pose = Pose::air;
}

}  // namespace kp
