#include "rooms/RoomCatMotion.h"

#include "life/PetLife.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace kp {

CatMotionInputs CatMotionInputs::of(const PetLife& life) {
    CatMotionInputs in;
    in.pose = life.pose();
    in.dead = life.isDead();
    in.lyingDown = life.isLyingDown();
    in.stepping = life.isStepping();
    in.zooming = life.isZooming();
    in.springSit = life.springs().sit;
    in.springStretch = life.springs().stretch;
    in.pawReach = life.pawReach();
    in.lovedUntil = life.lovedUntil();
    return in;
}

double legSwing(const CatMotionInputs& in, double t) {
    if (in.lyingDown || !in.stepping) return 0;
    if (in.zooming) return std::sin(20 * t);
    if (in.pose == PetPose::hunting) return 0.5 * std::sin(5 * t);
    return 0.7 * std::sin(9 * t);
}

bool isWashingFace(const CatMotionInputs& in, double t) {
    return in.pose == PetPose::sitting && in.springSit > 0.85 && !in.stepping && !in.lovedAt(t) &&
           std::fmod(t + 1.3, 8.0) < 1.6;
}

PawPose pawMotion(const CatMotionInputs& in, bool washing, double t, double swing) {
    if (washing) return {10 * std::sin(12 * t) - 150, 1};
    switch (in.pose) {
    case PetPose::batting: return {-50 * std::abs(std::sin(7 * t)) - 60, 1};
    case PetPose::scratching: return {15 * std::sin(9 * t) - 125, 1};
    case PetPose::playing: return {-70 * in.pawReach, in.pawReach};
    case PetPose::kneading: return {20 * std::sin(6 * t) - 25, 0.4 * std::sin(6 * t) + 0.4};
    case PetPose::stretching: return {-70 * in.springStretch, 0};
    case PetPose::digging: return {35 * std::sin(16 * t) - 40, 0.6};
    default: return {16 * swing, 0};
    }
}

std::optional<CatExpression> faceOverride(const CatMotionInputs& in, bool asleep, double t) {
    if (in.dead) return CatExpression::dead;
    if (asleep) return CatExpression::asleep;
    switch (in.pose) {
    case PetPose::kneading:
    case PetPose::licking:
    case PetPose::bellyUp: return CatExpression::happy;
    case PetPose::eating:
    case PetPose::drinking: return CatExpression::eating;
    case PetPose::hiding: return CatExpression::surprised;
    default: break;
    }
    if (in.lovedAt(t)) return CatExpression::happy;
    return std::nullopt;
}

std::optional<double> cursorShare(IslandMode mode, QPointF pointer, double islandHeight, double width) {
    if (mode != IslandMode::expanded || width <= 0) return std::nullopt;
    if (!(pointer.y() >= 0 && pointer.y() <= islandHeight)) return std::nullopt;
    const double fx = pointer.x() / width;
    if (!(fx >= 0 && fx <= 1)) return std::nullopt;
    return fx;
}

double screenMiddle() {
    const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                ? QGuiApplication::primaryScreen()
                                : nullptr;
    return screen ? screen->geometry().width() / 2.0 : 720.0;
}

}  // namespace kp
