#include "rooms/RoomToys.h"

#include "platform/Color.h"
#include "rooms/CatOverlay.h"
#include "rooms/RoomCatState.h"
#include "scenery/ShopArt.h"

#include <QPainter>

#include <array>
#include <cmath>

namespace kp {

namespace {


constexpr std::array<QStringView, 2> kNom{u"nom", u"nom!"};
constexpr std::array<QStringView, 2> kYum{u"yum!", u"nom"};
constexpr std::array<QStringView, 1> kPurr{u"prrr"};
constexpr std::array<QStringView, 1> kWonder{u"?"};
constexpr std::array<QStringView, 1> kWonderMore{u"??"};
constexpr std::array<QStringView, 2> kLap{u"lap", u"lap"};
constexpr std::array<QStringView, 2> kSniff{u"sniff", u"sniff?"};
constexpr std::array<QStringView, 2> kNotes{u"\u266A", u"\u266B"};

constexpr double kWordPeriod = 0.9;
constexpr double kSleepPeriod = 2.4;

const QColor& brownInk() {
    static const QColor c = colorFromHex("#5C4636");
    return c;
}
const QColor& plumInk() {
    static const QColor c = colorFromHex("#8A6A8E");
    return c;
}
const QColor& blueInk() {
    static const QColor c = colorFromHex("#5C6E96");
    return c;
}

// Paints `art` (drawn in its own top-left frame) centred on the origin.
template <typename Art>
void paintCentred(QPainter& p, const Art& art) {
    const QSizeF size = art.size();
    art.paint(p, QRectF(QPointF(-size.width() / 2, -size.height() / 2), size));
}

}  // namespace

std::optional<BoxPlay> boxPlay(std::optional<ShopItem> toy, PetPose pose, bool lying, std::optional<double> elapsed) {
    if (toy != ShopItem::box || pose != PetPose::sitting || lying || !elapsed) return std::nullopt;
    BoxPlay b;
    b.phase = toyPlayCurve(*elapsed, kBoxPlaySeconds);
    const double v = b.phase.progress;
    switch (b.phase.kind) {
    case ToyPlayPhase::Kind::waiting: break;
    case ToyPlayPhase::Kind::jumpingIn:
        b.hop = -20 * std::sin(M_PI * v) + 5 * std::max(0.0, 2 * v - 1);
        b.m = v;
        break;
    case ToyPlayPhase::Kind::inside:
        b.hop = 12 * b.phase.peek + 5;
        b.m = 1;
        b.nap = b.phase.settled;
        break;
    case ToyPlayPhase::Kind::jumpingOut:
        b.hop = -20 * std::sin(M_PI * v) + 5 * std::max(0.0, 1 - 2 * v);
        b.m = 1 - v;
        break;
    }
    return b;
}

PoseEffect poseEffect(const RoomCatState& c, double t) {
    PoseEffect e;
    e.anchor = c.headAnchor();
    e.time = t;
    switch (c.pose) {
    case PetPose::eating:
        e.words = c.meal ? std::span<const QStringView>(kYum) : std::span<const QStringView>(kNom);
        e.outline = brownInk();
        e.crumbs = true;
        return e;
    case PetPose::kneading:
        e.words = kPurr;
        e.outline = plumInk();
        return e;
    case PetPose::digging:
        e.dirt = true;
        e.anchor = {c.x - 12 * c.f * c.s, c.y + 10 * c.s};
        return e;
    case PetPose::watching: {
        const double u = std::fmod(t, 6.5);
        e.words = u < 0.9 ? std::span<const QStringView>(kWonder) : std::span<const QStringView>(kWonderMore);
        e.outline = blueInk();
        e.opacity = u < 1.8 ? 1 : 0;
        return e;
    }
    case PetPose::drinking:
        e.words = kLap;
        e.outline = blueInk();
        return e;
    case PetPose::sniffing:
        e.words = kSniff;
        e.outline = brownInk();
        e.anchor.ry() -= 4;
        return e;
    default: break;
    }
    if (c.music) {
        e.words = kNotes;
        e.outline = plumInk();
        e.time = 0.7 * t;
    }
    return e;
}

void paintBoxHalf(QPainter& p, const BoxPlay& box, bool front) {
    p.save();
    p.translate(box.boxOffset());
    p.scale(1.3, 1.3);
    paintCentred(p, BoxArt{front ? BoxArt::Part::front : BoxArt::Part::back});
    p.restore();
}

void paintGroupToys(QPainter& p, const RoomCatState& c) {
    const double t = c.t;
    if (c.pose == PetPose::batting) {
        if (c.toy == ShopItem::yarn) {
            p.save();
            p.translate(30 + 4 * std::sin(5 * t), 10);
            paintCentred(p, YarnArt{7 * t});
            p.restore();
        }
        if (c.toy == ShopItem::feather) {
            p.save();
            p.translate(26, -26);
            paintCentred(p, FeatherWandArt{t});
            p.restore();
        }
        if (c.errand == PetErrand::snowPlay) {
            p.save();
            p.translate(30, -10);
            paintSnowPlay(p, t);
            p.restore();
        } else if (!c.toy && !c.cursorOver) {
            // With the pointer over the room the cat bats at the pointer instead.
            p.save();
            p.translate(34, -16 + 4 * std::sin(3 * t));
            paintButterfly(p, t);
            p.restore();
        }
    }
    if (c.mood == PetMood::crying) {
        p.save();
        p.translate(14, c.lying ? -4 : -14);
        paintTears(p, 2 * std::sin(3 * t));
        p.restore();
    }
    if (c.mood == PetMood::sick) {
        static const QColor drop = [] {
            QColor d = colorFromHex("#D7E7F5");
            d.setAlphaF(0.85f);
            return d;
        }();
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(drop);
        p.drawEllipse(QPointF(22, -16 + 2 * (1 + std::sin(2.4 * t))), 2, 2.5);
        p.restore();
    }
}

void paintToysBelow(QPainter& p, const RoomCatState& c) {
    const double t = c.t;
    if (c.toy == ShopItem::laser) {
        p.save();
        p.setOpacity(p.opacity() * c.opening);
        p.translate(c.x + 40 * c.f * c.s + 3 * std::sin(9 * t), c.floorLine - 3);
        p.scale(1.4, 1.4);
        paintCentred(p, LaserDotArt{t});
        p.restore();
    }
    if (c.zooming) {
        p.save();
        p.setOpacity(p.opacity() * c.opening);
        for (int i = 0; i < 4; ++i) paintDustPuff(p, i, t, c.x, c.f, c.y + 14 * c.s);
        p.restore();
    }
}

void paintEffectsAbove(QPainter& p, const RoomCatState& c) {
    const double t = c.t;
    if (c.asleep) {
        p.save();
        p.setOpacity(p.opacity() * c.opening);
        const double y0 = c.headAnchor().y();
        for (int i = 0; i < 3; ++i) paintSleepLetter(p, i, t, kSleepPeriod, c.f, c.facePoint, y0);
        p.restore();
    }
    const PoseEffect e = poseEffect(c, t);
    if (e.empty() || e.opacity <= 0) return;
    p.save();
    p.setOpacity(p.opacity() * c.opening * e.opacity);
    for (int i = 0; i < static_cast<int>(e.words.size()); ++i)
        paintWordPuff(p, i, e.time, kWordPeriod, e.words, e.outline, e.anchor.x(), c.f, e.anchor.y());
    if (e.crumbs)
        for (int i = 0; i < 3; ++i) paintCrumb(p, i, t, e.anchor.x(), c.f, e.anchor.y());
    if (e.dirt)
        for (int i = 0; i < 4; ++i) paintDirtSpeck(p, i, t, e.anchor.x(), -c.f, e.anchor.y());
    p.restore();
}

}  // namespace kp
