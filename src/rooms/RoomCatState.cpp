#include "rooms/RoomCatState.h"

#include "life/PetLife.h"
#include "rooms/RoomKit.h"

#include <algorithm>
#include <cmath>

namespace kp {

HousePeek housePeek(double width, double floorLine, double s) {
    const QRectF door(0.8 * width - 36.4, floorLine - 65, 72.8, 65);
    return {door, QPointF(door.center().x() + 5 * s, door.top() + 33 * (72.8 / 56) + 13 * s)};
}

RoomCatState roomCatState(const PetLife& life, const RoomFrame& frame, bool musicPlaying, double now,
                          std::optional<PetGrowth> grown) {
    RoomCatState c;
    const double t = frame.t;
    const double W = frame.width;
    const double floor = frame.floorLine;
    const double k = frame.opening;
    const PetSprings& sp = life.springs();
    c.t = t;
    c.width = W;
    c.floorLine = floor;
    c.opening = k;

    c.pose = life.pose();
    c.mood = life.mood();
    c.toy = life.toy();
    c.meal = life.meal();
    c.errand = life.errand();
    c.dead = life.isDead();
    c.zooming = life.isZooming();
    c.cursorOver = life.cursor().has_value();
    c.placement = catPlacement(life, W, now);
    c.lying = life.isLyingDown();
    const PetGrowth growth = grown ? *grown : life.growth();
    c.s = 0.94 * growth.body * (0.83 + 0.17 * k);
    c.headScale = growth.head;
    c.f = life.facingRight() ? 1 : -1;
    c.box = boxPlay(c.toy, c.pose, c.lying, life.toyElapsed());
    c.asleep = !c.dead && (life.isSleeping() || c.pose == PetPose::napping || (c.box && c.box->nap));
    c.musicPlaying = musicPlaying;
    c.music = musicPlaying && !c.lying &&
              (c.pose == PetPose::sitting || c.pose == PetPose::perched || c.pose == PetPose::lookout);
    c.raining = frame.kind == IslandRoomKind::garden &&
                (frame.look.weather == SkyWeather::rain || frame.look.weather == SkyWeather::storm ||
                 frame.look.weather == SkyWeather::snow);
    c.sit = c.lying ? 0 : sp.sit;
    c.dip = c.lying ? 0 : sp.dip;
    c.stretch = c.lying ? 0 : sp.stretch;
    c.tail = c.lying ? 0 : sp.tail;
    c.springTilt = sp.tilt;
    c.squash = sp.squash;
    c.facingWidth = facingWidthFor(sp.facing);

    // Height: the bed and the window sill lift the cat, each with a little hop on the way.
    const double s = c.s;
    const double b = sp.bed;
    const double hopB = b >= 0 ? 8 * std::sin(std::min(b, 1.0) * M_PI) : 0;
    if (c.lying) {
        c.y = floor - 26 * b - hopB - 4 - 10 * s + sp.y;
    } else {
        const double a = floor + 2 - 15 * s - 26 * b - hopB;
        const double top = 94 - 15 * s;
        const double pr = sp.perch;
        const double hopP = pr >= 0 ? 10 * std::sin(std::min(pr, 1.0) * M_PI) : 0;
        c.y = a + (top - a) * pr - hopP + sp.y - c.placement.lift;
    }
    if (c.pose == PetPose::napping && life.room() == IslandRoomKind::living)
        c.x = 0.27 * W;  // on the lounge
    else
        c.x = c.placement.x.value_or(life.place() * W);

    const HousePeek house = housePeek(W, floor, s);
    c.houseDoor = house.door;
    if (frame.kind == IslandRoomKind::garden && life.inHouse() && !c.lying) {
        c.peek = true;
        c.x = house.cat.x();
        c.y = house.cat.y();
    }
    if (c.box) {
        c.x += 28 * c.f * s * c.box->m;
        c.y += s * c.box->hop;
    }
    c.facePoint = c.x + 14 * c.f * s;

    // The figure.
    const CatMotionInputs motion = CatMotionInputs::of(life);
    c.backView = c.pose == PetPose::watching && !c.lying;
    const auto cursor = life.cursor();
    c.backTurn = cursor ? c.f * std::tanh(4 * (*cursor - life.place())) : 0.0;
    c.swing = c.placement.scrabbling ? std::sin(30 * t) : legSwing(motion, t);
    c.washing = isWashingFace(motion, t);
    c.paw = c.placement.posePaws ? pawMotion(motion, c.washing, t, c.swing)
                                 : PawPose{c.placement.pawAngle, c.placement.pawRaise};
    if (c.lying) {
        c.headOffset = {15, 0};
        c.headRotation = 0;
    } else {
        if (c.music) {
            c.musicBob = 1.6 * std::abs(std::sin(1.8 * M_PI * t));
            c.musicNod = 9 * std::sin(1.8 * M_PI * t);
        }
        const double hy = -9 - 4 * c.sit + 9 * c.dip + 5 * c.stretch + 0.8 * std::sin(12 * t) * c.dip - c.musicBob;
        c.headOffset = {14 - 9 * c.sit + 6 * c.dip + 4 * c.stretch, hy};
        c.headRotation = (c.washing ? 10 : 0) + 0.25 * sp.tilt + 22 * c.dip + c.musicNod;
    }
    c.tongue = c.pose == PetPose::licking && std::sin(8 * t) > -0.2;
    c.tongueY = 7.5 + 0.8 * std::sin(8 * t);
    const auto lookingUntil = life.lookingAtYouUntil();
    c.lookGain = c.lying || (lookingUntil && *lookingUntil > t) ? 0 : 0.28;
    c.faceMirrored = sp.facing < 0;
    c.faceBase = faceOverride(motion, c.asleep, t);
    return c;
}

CatOutfit roomCatOutfit(const CatOutfit& worn, const RoomCatState& c) {
    return worn.situational(c.asleep, c.musicPlaying, c.raining);
}

}  // namespace kp
