#include "desktop/DesktopSteps.h"

#include "life/PetLife.h"

#include <cmath>

namespace kp {

using namespace desktopsteps;

CatExpression DesktopCat::expression(double now) const {
    const PetLife& pet = life();
    if (pet.isDead()) return CatExpression::dead;
    if (pose == Pose::sleep) return CatExpression::asleep;
    if (isDragged) return CatExpression::surprised;
    if (now < surprisedUntil) return CatExpression::surprised;
    if (now < grumpyUntil) return CatExpression::grumpy;
    if (now < lovedUntil) return CatExpression::love;
    if (now < smugUntil) return CatExpression::happy;
    const std::optional<Kind> step = currentStep();
    if (step == Kind::plea) return CatExpression::meow;
    if (step == Kind::chase) return CatExpression::happy;
    if (asking) return now < meowUntil ? CatExpression::meow : CatExpression::sad;
    if (now < meowUntil) return CatExpression::meow;
    if (step == Kind::playAlone) return CatExpression::happy;
    if (vibing) return CatExpression::happy;
    if (pose == Pose::groom) return CatExpression::happy;
    switch (pet.mood()) {
    case PetMood::hungry:
    case PetMood::sad:
    case PetMood::crying: return CatExpression::sad;
    case PetMood::sleepy: return CatExpression::sleepy;
    case PetMood::sick: return CatExpression::sick;
    case PetMood::idle:
    case PetMood::sleeping:
    case PetMood::eating:
    case PetMood::dead: return CatExpression::content;
    }
    return CatExpression::content;
}

QPointF DesktopCat::eyeLook(double now) const {
    if (pose == Pose::stare || pose == Pose::sleep) return {0, 0};
    QPointF target;
    if (cup && (cup->falling || now < smugUntil))
        target = cup->p;
    else if (now - mouseMovedAt < 4)
        target = mouse;
    else
        return {0, 0};
    const QPointF h = headPoint();
    return {std::tanh((target.x() - h.x()) / 220), std::tanh((target.y() - h.y()) / 180)};
}

QString DesktopCat::needLine(PetNeed need) {
    static const QStringList hungry = {QStringLiteral("food?"), QStringLiteral("I'm hungry…"),
                                       QStringLiteral("dinner?"), QStringLiteral("my bowl…")};
    static const QStringList sick = {QStringLiteral("I don't feel well…"), QStringLiteral("help?"),
                                     QStringLiteral("ouch…")};
    static const QStringList dirty = {QStringLiteral("the box…"), QStringLiteral("clean it?"), QStringLiteral("ew.")};
    static const QStringList other = {QStringLiteral("mrrp?")};
    const QStringList* lines = &other;
    switch (need) {
    case PetNeed::hungry: lines = &hungry; break;
    case PetNeed::sick: lines = &sick; break;
    case PetNeed::dirty: lines = &dirty; break;
    case PetNeed::sad:
    case PetNeed::dead: break;
    }
    return lines->at(pickIndex(*this, int(lines->size())));
}

}  // namespace kp
