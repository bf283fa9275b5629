// The figure: body, legs and tail (standing, walking, sitting, lying), the front paw, the back view,
// and the small drawings built on them (soft heart, accessory icon).
#include "cat/HeartPath.h"
#include "cat/art/CatArtInternal.h"

#include <array>
#include <cmath>
#include <vector>

namespace kp {

QPointF catHeadOffset(double sit) { return {14.0 - 9.0 * sit, -9.0 - 4.0 * sit}; }

namespace art {

namespace {

constexpr double kTorsoRx = 17.0;
constexpr double kTorsoRy = 9.0;
constexpr double kLegW = 5.6;
constexpr int kTailDiscs = 14;
constexpr double kTailOnFloor = 0.7;  // the sit at which the tail has come down onto the floor

struct Mark {
    QPainterPath path;
    QColor color;
};

// A breed's torso in its own frame (centre at the origin, 17 x 9 radii before the pose scales it).
struct TorsoShapes {
    QPainterPath torso;
    std::vector<Mark> marks;
    std::vector<Mark> backMarks;  // the back view's body: ellipse (0, 0) 12 x 10
    QPainterPath backBody;
};

TorsoShapes buildTorso(CatBreed breed) {
    const CatCoat& c = coat(breed);
    TorsoShapes t;
    QPainterPath torso;
    torso.addEllipse(QPointF(0, 0), kTorsoRx, kTorsoRy + c.bodyGrow * 0.5);
    if (c.fluffy) {
        for (int i = 0; i < 7; ++i) {
            const double a = 0.35 + (M_PI - 0.7) * i / 6.0;  // along the belly
            QPainterPath bump;
            bump.addEllipse(QPointF(std::cos(a) * (kTorsoRx - 1.2), std::sin(a) * (kTorsoRy - 0.6)), 2.2, 2.0);
            torso = torso.united(bump);
        }
        if (c.earTufts) {  // the chest ruff
            for (int i = 0; i < 3; ++i) {
                QPainterPath bump;
                bump.addEllipse(QPointF(15.4 - i * 0.6, -2.5 + i * 3.0), 2.6, 2.4);
                torso = torso.united(bump);
            }
        }
    }
    t.torso = torso.simplified();
    auto add = [&](std::vector<Mark>& into, const QPainterPath& shape, const QPainterPath& clip, const QColor& col) {
        into.push_back({solid(shape).intersected(clip).simplified(), col});
    };
    QPainterPath back;
    back.addEllipse(QPointF(0, 0), 12.0, 10.0);
    t.backBody = back;

    if (c.stripe.isValid()) {
        QPainterPath s;
        for (double x : {-12.5, -7.0, -1.5, 4.0}) {
            s.moveTo(x - 1.4, -11);
            s.quadTo(x + 0.6, -6, x + 0.2, -2.6);
            s.quadTo(x + 1.6, -6, x + 1.6, -11);
            s.closeSubpath();
        }
        // on the rump
        s.moveTo(-18, -2.4);
        s.quadTo(-13, -1.4, -11.4, 0.8);
        s.quadTo(-13.6, 0.6, -18, 0.6);
        s.closeSubpath();
        add(t.marks, s, t.torso, c.stripe);
        QPainterPath b;
        for (double y : {-6.5, -2.0, 2.5}) {
            b.moveTo(-13, y - 1.2);
            b.quadTo(0, y + 1.4, 13, y - 1.2);
            b.lineTo(13, y + 0.6);
            b.quadTo(0, y + 3.0, -13, y + 0.6);
            b.closeSubpath();
        }
        add(t.backMarks, b, back, c.stripe);
    }
    if (c.patchA.isValid()) {
        QPainterPath a;
        a.addEllipse(QPointF(-5.0, -6.0), 7.5, 5.2);
        a.addEllipse(QPointF(6.0, -8.0), 3.6, 2.6);
        add(t.marks, a, t.torso, c.patchA);
        QPainterPath b;
        b.addEllipse(QPointF(-14.0, 0.5), 5.0, 5.5);
        b.addEllipse(QPointF(1.5, -7.6), 3.2, 2.4);
        add(t.marks, b, t.torso, c.patchB);
        QPainterPath ba;
        ba.addEllipse(QPointF(5.0, -4.0), 6.5, 5.0);
        add(t.backMarks, ba, back, c.patchA);
        QPainterPath bb;
        bb.addEllipse(QPointF(-6.0, 3.5), 5.0, 4.5);
        add(t.backMarks, bb, back, c.patchB);
    }
    if (c.light.isValid()) {
        QPainterPath l;
        if (c.whiteBib) {
            l.addEllipse(QPointF(12.5, 1.5), 7.0, 8.5);
            l.addEllipse(QPointF(1.0, 8.4), 14.0, 4.2);
        } else {
            l.addEllipse(QPointF(13.5, 2.5), 5.4, 6.5);
            l.addEllipse(QPointF(2.0, 9.0), 11.0, 3.2);
        }
        add(t.marks, l, t.torso, c.light);
    }
    return t;
}

const TorsoShapes& torsoShapes(CatBreed breed) {
    static const std::array<TorsoShapes, 10> all = [] {
        std::array<TorsoShapes, 10> a;
        for (std::size_t i = 0; i < a.size(); ++i) a[i] = buildTorso(static_cast<CatBreed>(i));
        return a;
    }();
    return all[static_cast<std::size_t>(breed)];
}

// The near front leg's shoulder. Seated with the paw down it sits low, so a collar's bell or tag
// under the chin stays in sight; raising the paw lifts the shoulder so the paw reaches the face.
QPointF frontShoulder(double sit, double raise) {
    return lerp(QPointF(10.8, 4.0), lerp(QPointF(8.2, 4.6), QPointF(7.6, 1.6), raise), sit);
}

// Where the parts of the figure are for a given sit (0 standing ... 1 seated) or lying.
struct Pose {
    QPointF torsoC;
    double torsoSx = 1, torsoSy = 1, torsoRot = 0;
    QPointF hindFar, hindNear, frontFar, frontNear;  // tops of the legs
    QPointF haunchC;
    double haunchRx = 0, haunchRy = 0;
    QPointF tailRoot, tailCtrl, tailTip;
    QPointF neckC;
    double neckR = 5;
    double tailAngle = 0;
    bool tailInFront = false;
};

// How far a breed's seated torso must rise so its rim stays on the feet line.
double seatLift(CatBreed breed) {
    static const std::array<double, 10> lifts = [] {
        std::array<double, 10> out{};
        for (std::size_t i = 0; i < out.size(); ++i) {
            QTransform t;
            t.translate(-3.2, 4.8);
            t.rotate(-54.0);
            t.scale(12.6 / kTorsoRx, 10.4 / kTorsoRy);
            const double bottom = t.map(torsoShapes(static_cast<CatBreed>(i)).torso).boundingRect().bottom();
            out[i] = std::max(0.0, bottom + kRim - (kCatFeetLine + 0.2));
        }
        return out;
    }();
    return lifts[static_cast<std::size_t>(breed)];
}

Pose standingPose(CatBreed breed, double sit, double tail) {
    Pose p;
    p.torsoC = lerp(QPointF(-2, 2), QPointF(-3.2, 4.8 - seatLift(breed)), sit);
    p.torsoSx = lerp(1.0, 12.6 / kTorsoRx, sit);
    p.torsoSy = lerp(1.0, 10.4 / kTorsoRy, sit);
    p.torsoRot = lerp(0.0, -54.0, sit);
    p.hindFar = lerp(QPointF(-13.5, 3.5), QPointF(-3.6, 10.6), sit);
    p.hindNear = lerp(QPointF(-9.5, 4.0), QPointF(-1.6, 11.0), sit);
    p.frontFar = lerp(QPointF(6.8, 4.0), QPointF(4.0, 3.6), sit);
    p.frontNear = frontShoulder(sit, 0);
    p.haunchC = lerp(QPointF(-10.5, 3.6), QPointF(-7.6, 8.6), sit);
    p.haunchRx = lerp(5.4, 7.6, sit);
    p.haunchRy = lerp(5.6, 5.8, sit);
    // The tail goes down behind the cat onto the floor first, then sweeps round the front paws
    // along the floor, so it never crosses the haunch in the air.
    p.tailRoot = lerp(QPointF(-17.5, -1.0), QPointF(-12.0, 12.4), sit);
    const QPointF floorCtrl(-24.0, 17.0), floorTip(-31.0, 11.0);
    if (sit <= kTailOnFloor) {
        const double u = sit / kTailOnFloor;
        p.tailCtrl = lerp(QPointF(-28.0, -2.0), floorCtrl, u);
        p.tailTip = lerp(QPointF(-25.5, -16.0), floorTip, u);
    } else {
        const double u = (sit - kTailOnFloor) / (1 - kTailOnFloor);
        p.tailCtrl = lerp(floorCtrl, QPointF(-3.0, 17.2), u);
        p.tailTip = lerp(floorTip, QPointF(8.5, 13.0), u);
    }
    p.neckC = lerp(QPointF(10.0, -3.2), QPointF(4.4, -5.4), sit);
    p.neckR = 5.2;
    p.tailAngle = lerp(tail, -std::abs(tail) * 0.45, sit);
    p.tailInFront = sit > kTailOnFloor;
    return p;
}

Pose lyingPose(double tail) {
    Pose p;
    p.torsoC = QPointF(-1, 3);
    p.torsoSx = 19.0 / kTorsoRx;
    p.torsoSy = 7.0 / kTorsoRy;
    p.hindNear = QPointF(-2.5, 9.0);  // the tucked hind paw
    p.frontFar = QPointF(19.5, 8.6);
    p.frontNear = QPointF(23.4, 9.3);
    p.haunchC = QPointF(-9.5, 4.2);
    p.haunchRx = 7.2;
    p.haunchRy = 5.2;
    p.tailRoot = QPointF(-18.0, 6.0);
    p.tailCtrl = QPointF(-25.5, 11.0);
    p.tailTip = QPointF(-28.6, 5.2);
    p.neckC = QPointF(11.0, 1.5);
    p.neckR = 5.0;
    p.tailAngle = std::clamp(tail, -25.0, 25.0);
    return p;
}

QColor pawColor(const CatCoat& c) {
    if (c.whiteSocks && c.light.isValid()) return c.light;
    if (c.points.isValid()) return c.points;
    return QColor();
}

QColor legLowColor(const CatCoat& c) { return c.points.isValid() ? c.points : QColor(); }

// A vertical capsule from y0 to y1 (centres of its round ends), radius r, at x.
void capsule(QPainter& p, double y0, double y1, double r, const QColor& col, double x = 0) {
    p.setPen(Qt::NoPen);
    p.setBrush(col);
    p.drawRoundedRect(QRectF(x - r, y0 - r, 2 * r, y1 - y0 + 2 * r), r, r);
}

// One leg hanging from `top`, turned by `angle` degrees, `length` to the sole; `farSide` legs are
// drawn in the shade colour. `mergeTop` leaves the rim off the upper part so it joins the body.
void drawLeg(QPainter& p, const CatCoat& c, QPointF top, double angle, double length, bool farSide,
             bool mergeTop, const CatOutfit& outfit, double pawBend = 0, bool sleeve = false) {
    p.save();
    p.translate(top);
    p.rotate(angle);
    const QColor fill = farSide ? c.shade : c.base;
    const double hw = kLegW / 2;
    const double rimFrom = mergeTop ? length * 0.45 : 0.0;
    const QPointF pawC(0.9, length - 1.5);
    // rim pass (capsules are filled, not stroked: filling is far cheaper)
    {
        capsule(p, rimFrom, length - hw, hw + kRim, c.outline);
        p.save();
        p.translate(pawC);
        p.rotate(-40 * pawBend);
        fillEllipse(p, QPointF(0, 0), 3.3 + kRim, 1.7 + kRim, c.outline);
        p.restore();
    }
    // fill pass
    {
        capsule(p, 0, length - hw, hw, fill);
        const QColor low = legLowColor(c);
        if (low.isValid()) capsule(p, length * 0.5, length - hw, hw, farSide ? low.darker(112) : low);
        QColor paw = pawColor(c);
        if (!paw.isValid()) paw = fill;
        else if (farSide) paw = paw.darker(110);
        p.save();
        p.translate(pawC);
        p.rotate(-40 * pawBend);
        fillEllipse(p, QPointF(0, 0), 3.3, 1.7, paw);
        if (c.whiteSocks) capsule(p, -2.6, -0.2, hw, paw, -0.9);  // a white sock reaching up the leg
        strokeLine(p, QPointF(1.2, 0.3), QPointF(1.2, 1.5), c.outline, 0.4);
        strokeLine(p, QPointF(2.6, 0.1), QPointF(2.6, 1.3), c.outline, 0.4);
        p.restore();
    }
    if (sleeve) drawSleeve(p, length, kLegW);
    if (outfit.feet) drawLegPiece(p, *outfit.feet, length, kLegW);
    p.restore();
}

// Point on the quadratic tail curve.
QPointF quad(QPointF a, QPointF c, QPointF b, double t) {
    const double u = 1 - t;
    return a * (u * u) + c * (2 * u * t) + b * (t * t);
}

QPointF rotateAbout(QPointF pt, QPointF about, double deg) {
    const double r = deg * M_PI / 180.0;
    const double cs = std::cos(r), sn = std::sin(r);
    const QPointF d = pt - about;
    return about + QPointF(d.x() * cs - d.y() * sn, d.x() * sn + d.y() * cs);
}

struct TailDiscs {
    std::array<QPointF, kTailDiscs> at;
    std::array<double, kTailDiscs> r;
};

TailDiscs tailDiscs(const CatCoat& c, QPointF root, QPointF ctrl, QPointF tip, double angle, double floor) {
    TailDiscs d;
    const QPointF cr = rotateAbout(ctrl, root, angle);
    const QPointF tr = rotateAbout(tip, root, angle);
    for (int i = 0; i < kTailDiscs; ++i) {
        const double t = double(i) / (kTailDiscs - 1);
        d.at[i] = quad(root, cr, tr, t);
        double r = lerp(2.5, 1.45, t) * c.tailFluff;
        if (c.tailFluff > 1.2) r *= 1.0 + 0.25 * std::sin(t * M_PI);  // bushy in the middle
        d.r[i] = r;
        // the tail lies on the floor rather than through it
        d.at[i].setY(std::min(d.at[i].y(), floor - r - kRim));
    }
    return d;
}

QColor tailColor(const CatCoat& c, int i) {
    const double t = double(i) / (kTailDiscs - 1);
    if (c.points.isValid()) return t < 0.18 ? c.base : c.points;
    if (c.stripe.isValid()) {
        if (i == 4 || i == 7 || i == 10 || i >= 12) return c.stripe;
    }
    if (c.patchA.isValid() && t > 0.55) return c.patchA;
    return c.base;
}

void drawTail(QPainter& p, const CatCoat& c, const TailDiscs& d) {
    p.setPen(Qt::NoPen);
    p.setBrush(c.outline);
    for (int i = 0; i < kTailDiscs; ++i) p.drawEllipse(d.at[i], d.r[i] + kRim, d.r[i] + kRim);
    for (int i = 0; i < kTailDiscs; ++i) {
        p.setBrush(tailColor(c, i));
        p.drawEllipse(d.at[i], d.r[i], d.r[i]);
    }
}

void drawTailBowOn(QPainter& p, const CatOutfit& outfit, const TailDiscs& d) {
    if (!outfit.body) return;
    const CatAccessory a = *outfit.body;
    if (a != CatAccessory::tailBow && a != CatAccessory::tailBowBlue) return;
    const int i = int(kTailDiscs * 0.6);
    const QPointF dir = d.at[i + 1] - d.at[i - 1];
    const double ang = std::atan2(dir.y(), dir.x()) * 180.0 / M_PI + 90.0;
    drawTailBow(p, a, d.at[i], ang, 0.75);
}

void drawTorso(QPainter& p, const CatCoat& c, const TorsoShapes& ts, const Pose& ps, const CatOutfit& outfit) {
    p.save();
    p.translate(ps.torsoC);
    p.rotate(ps.torsoRot);
    p.scale(ps.torsoSx, ps.torsoSy);
    rimStable(p, ts.torso, c.base, c.outline, kRim);
    for (const Mark& m : ts.marks) fillPath(p, m.path, m.color);
    if (outfit.body == CatAccessory::raincoat) {
        static const QPainterPath coatPath = [] {
            QPainterPath k;
            k.addEllipse(QPointF(0.5, -0.6), kTorsoRx + 0.9, kTorsoRy + 1.0);
            return k;
        }();
        rimStable(p, coatPath, raincoatColor(), raincoatRim(), 0.5);
        strokeLine(p, QPointF(-16, 3.0), QPointF(15, 3.0), raincoatRim(), 0.45);
        for (double x : {5.0, 10.0}) fillEllipse(p, QPointF(x, 0.6), 0.8, 0.8, raincoatRim());
        static const QPainterPath collar = [] {
            QPainterPath k;
            k.moveTo(9.0, -9.4);
            k.lineTo(16.4, -6.2);
            k.lineTo(12.0, -2.8);
            k.closeSubpath();
            return k;
        }();
        rimStable(p, collar, raincoatColor().darker(106), raincoatRim(), 0.45);
    }
    p.restore();
}

void drawBackpackOn(QPainter& p, const CatOutfit& outfit, const Pose& ps, bool lying = false) {
    if (!outfit.body) return;
    const CatAccessory a = *outfit.body;
    if (a != CatAccessory::backpack && a != CatAccessory::backpackGreen) return;
    QTransform t;
    t.translate(ps.torsoC.x(), ps.torsoC.y());
    t.rotate(ps.torsoRot);
    t.scale(ps.torsoSx, ps.torsoSy);
    // lying, the pack sits lower so the loaf stays flat
    const QPointF at = t.map(QPointF(-2.5, lying ? -5.6 : -9.0));
    // the straps round the chest
    const QPointF s1 = t.map(QPointF(1.5, -8.0)), s2 = t.map(QPointF(9.0, 6.5));
    const QColor strap = a == CatAccessory::backpack ? rgb(0xA87A2E) : rgb(0x4A8A49);
    strokeLine(p, s1, s2, strap, 1.2);
    drawBackpack(p, a, at, ps.torsoRot * 0.7, false);
}

void paintBody(QPainter& p, const CatBody& b, const CatEnv& env) {
    const CatBreed breed = b.breed.value_or(env.breed);
    const CatCoat& c = coat(breed);
    const TorsoShapes& ts = torsoShapes(breed);
    const CatOutfit& outfit = env.outfit;
    const bool coatOn = outfit.body == CatAccessory::raincoat;

    using Pass = CatBody::Pass;
    const bool tailPass = b.pass == Pass::all || b.pass == Pass::tail;
    const bool bowPass = b.pass == Pass::all || b.pass == Pass::tailBow;
    // Whether the layer drawn before (false) or after (true) the tail is wanted.
    const auto bodyPass = [&b](bool afterTail) {
        return b.pass == Pass::all || b.pass == (afterTail ? Pass::overTail : Pass::underTail);
    };

    if (b.lying) {
        const Pose ps = lyingPose(b.tail);
        const TailDiscs td = tailDiscs(c, ps.tailRoot, ps.tailCtrl, ps.tailTip, ps.tailAngle, kCatLyingFeetLine);
        if (tailPass) drawTail(p, c, td);
        if (bodyPass(true)) {
            // the far front paw peeks out beyond the near one
            rimEllipse(p, ps.frontFar, 3.8, 2.0, c.shade, c.outline);
            drawTorso(p, c, ts, ps, outfit);
            rimEllipse(p, ps.haunchC, ps.haunchRx, ps.haunchRy, coatOn ? raincoatColor() : c.base,
                       coatOn ? raincoatRim() : c.outline, coatOn ? 0.5 : kRim);
            for (const QPointF& pc : {ps.hindNear, ps.frontNear}) {
                QColor paw = pawColor(c);
                if (!paw.isValid()) paw = c.base;
                rimEllipse(p, pc, 3.9, 2.0, paw, c.outline);
                strokeLine(p, pc + QPointF(1.4, 0.2), pc + QPointF(1.4, 1.6), c.outline, 0.4);
                strokeLine(p, pc + QPointF(2.8, 0.0), pc + QPointF(2.8, 1.4), c.outline, 0.4);
                if (outfit.feet) {
                    p.save();
                    p.translate(pc + QPointF(-0.9, 1.5 - 4.0));
                    drawLegPiece(p, *outfit.feet, 4.0, kLegW);
                    p.restore();
                }
            }
            drawBackpackOn(p, outfit, ps, true);
        }
        if (bowPass) drawTailBowOn(p, outfit, td);
        return;
    }

    const double sit = clamp01(b.sit);
    const Pose ps = standingPose(breed, sit, b.tail);
    const double sw = std::clamp(b.swing, -1.5, 1.5) * 25.0 * (1.0 - sit);
    const TailDiscs td = tailDiscs(c, ps.tailRoot, ps.tailCtrl, ps.tailTip, ps.tailAngle, kCatFeetLine);

    // far legs, behind everything
    if (bodyPass(false)) {
        drawLeg(p, c, ps.hindFar, -sw, kCatFeetLine - ps.hindFar.y(), true, false, outfit);
        drawLeg(p, c, ps.frontFar, sw, kCatFeetLine - ps.frontFar.y(), true, false, outfit, 0, coatOn);
    }
    if (!ps.tailInFront && tailPass) drawTail(p, c, td);
    if (bodyPass(!ps.tailInFront)) {
        // neck, under the torso so only its back shows a rim
        rimEllipse(p, ps.neckC, ps.neckR, ps.neckR, c.base, c.outline);
        drawTorso(p, c, ts, ps, outfit);
        fillEllipse(p, ps.neckC + QPointF(0.6, 1.0), ps.neckR - 0.6, ps.neckR - 0.8, coatOn ? raincoatColor() : c.base);
        // near hind leg and haunch
        drawLeg(p, c, ps.hindNear, sw, kCatFeetLine - ps.hindNear.y(), false, true, outfit);
        rimEllipse(p, ps.haunchC, ps.haunchRx, ps.haunchRy, coatOn ? raincoatColor() : c.base,
                   coatOn ? raincoatRim() : c.outline, coatOn ? 0.5 : kRim);
        if (c.stripe.isValid() && !coatOn) {
            for (int i = 0; i < 2; ++i) {
                const QPointF a = ps.haunchC + QPointF(-ps.haunchRx * 0.7 + i * 3.0, -ps.haunchRy * 0.6 + i * 0.6);
                strokeLine(p, a, a + QPointF(1.6, 2.4), c.stripe, 1.1);
            }
        }
        if (c.patchB.isValid() && !coatOn) fillEllipse(p, ps.haunchC + QPointF(-1.5, -1.5), ps.haunchRx * 0.55, ps.haunchRy * 0.5, c.patchB);
        drawBackpackOn(p, outfit, ps);
    }
    if (ps.tailInFront && tailPass) drawTail(p, c, td);
    if (bowPass) drawTailBowOn(p, outfit, td);
    if (!b.pawOnTop && bodyPass(true)) {
        CatFrontPaw paw{b.pawAngle, b.pawRaise, b.sit, breed};
        paw.paint(p, env);
    }
}

}  // namespace

}  // namespace art

void CatBody::paint(QPainter& p, const CatEnv& env) const {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    art::paintBody(p, *this, env);
    p.restore();
}

QRectF CatBody::tailBounds(const CatEnv& env) const {
    const CatBreed br = breed.value_or(env.breed);
    const CatCoat& c = coat(br);
    const art::Pose ps = lying ? art::lyingPose(tail) : art::standingPose(br, art::clamp01(sit), tail);
    const art::TailDiscs td =
        art::tailDiscs(c, ps.tailRoot, ps.tailCtrl, ps.tailTip, ps.tailAngle, lying ? kCatLyingFeetLine : kCatFeetLine);
    QRectF r;
    for (int i = 0; i < art::kTailDiscs; ++i) {
        const double d = td.r[i] + art::kRim;
        r |= QRectF(td.at[i] - QPointF(d, d), QSizeF(2 * d, 2 * d));
    }
    // A bow sits on the tail, a few units about its knot.
    const bool bowed = env.outfit.body == CatAccessory::tailBow || env.outfit.body == CatAccessory::tailBowBlue;
    const double bow = bowed ? 6 : 0;
    return r.adjusted(-bow, -bow, bow, bow);
}

void CatFrontPaw::paint(QPainter& p, const CatEnv& env) const {
    using namespace art;
    const CatCoat& c = coat(breed.value_or(env.breed));
    const double s = clamp01(sit);
    const double raise = clamp01(pawRaise);
    const QPointF shoulder = frontShoulder(s, raise);
    const double rest = kCatFeetLine - shoulder.y();
    const double length = rest * (1.0 - 0.3 * raise);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    drawLeg(p, c, shoulder, pawAngle, length, false, true, env.outfit, raise,
            env.outfit.body == CatAccessory::raincoat);
    p.restore();
}

void CatBack::paint(QPainter& p, const CatEnv& env) const {
    using namespace art;
    const CatBreed b = breed.value_or(env.breed);
    const CatCoat& c = coat(b);
    const TorsoShapes& ts = torsoShapes(b);
    const CatOutfit& outfit = env.outfit;
    const bool coatOn = outfit.body == CatAccessory::raincoat;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(0, 15);
    p.rotate(tilt);
    p.translate(0, -15);

    // body
    p.save();
    p.translate(0, 4);
    rimStable(p, ts.backBody, c.base, c.outline);
    for (const Mark& m : ts.backMarks) fillPath(p, m.path, m.color);
    p.restore();
    for (int side : {-1, 1}) {
        rimEllipse(p, QPointF(side * 7.0, 11.0), 5.2, 4.2, coatOn ? raincoatColor() : c.base,
                   coatOn ? raincoatRim() : c.outline, coatOn ? 0.5 : kRim);
    }
    fillEllipse(p, QPointF(0, 9.6), 4.0, 3.0, coatOn ? raincoatColor() : c.base);
    // The hind paws in front of the haunches' foot, so socks and boots (and white socks) show.
    for (int side : {-1, 1}) {
        p.save();
        p.translate(QPointF(side * 5.9, 11.4));
        if (side < 0) p.scale(-1, 1);
        drawLeg(p, c, QPointF(0, 0), 0, 3.6, false, false, outfit);
        p.restore();
    }
    if (coatOn) {
        static const QPainterPath cape = [] {
            QPainterPath k;
            k.moveTo(-8.0, -4.6);
            k.quadTo(0, -6.6, 8.0, -4.6);
            k.quadTo(13.8, 4.0, 12.4, 11.4);
            k.quadTo(0, 14.6, -12.4, 11.4);
            k.quadTo(-13.8, 4.0, -8.0, -4.6);
            k.closeSubpath();
            return k;
        }();
        rimStable(p, cape, raincoatColor(), raincoatRim(), 0.5);
        strokeLine(p, QPointF(0, -4.8), QPointF(0, 12.6), raincoatRim(), 0.45);
    }
    if (outfit.body == CatAccessory::backpack || outfit.body == CatAccessory::backpackGreen) {
        const QColor strap = outfit.body == CatAccessory::backpack ? rgb(0xA87A2E) : rgb(0x4A8A49);
        strokeLine(p, QPointF(-4.2, -4.0), QPointF(-5.4, 4.0), strap, 1.2);
        strokeLine(p, QPointF(4.2, -4.0), QPointF(5.4, 4.0), strap, 1.2);
        drawBackpack(p, *outfit.body, QPointF(0, 2.4), 0, true);
    }
    // tail, down from the rump and curling up the side
    const TailDiscs td = tailDiscs(c, QPointF(0, 13.2), QPointF(14.0, 15.0), QPointF(12.5, -2.0), tail * 0.6, kCatFeetLine);
    drawTail(p, c, td);
    drawTailBowOn(p, outfit, td);
    // the head, from behind
    p.save();
    p.translate(turn * 4.0, -13.0);
    p.rotate(turn * 10.0);
    p.scale(headScale, headScale);
    CatHead head;
    head.fromBehind = true;
    head.breed = b;
    head.outfit = outfit;
    head.paint(p, env);
    p.restore();
    p.restore();
}

QPointF CatFigure::headCentre() const {
    const QPointF anchor = body.lying ? kLyingHeadOffset : catHeadOffset(art::clamp01(body.sit));
    return anchor + headNudge;
}

void CatFigure::paint(QPainter& p, const CatEnv& env) const {
    body.paint(p, env);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(headCentre());
    p.rotate(headTilt);
    p.scale(headScale, headScale);
    head.paint(p, env);
    p.restore();
    if (!body.lying) {
        CatFrontPaw paw{body.pawAngle, body.pawRaise, body.sit, body.breed};
        paw.paint(p, env);
    }
}

void SoftHeart::paint(QPainter& p) const {
    static const QPainterPath unit = heartPath(QPointF(0, 0), 1.0);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size, size);
    p.setPen(Qt::NoPen);
    p.setBrush(art::rgb(0xFFCCD7));
    p.drawPath(unit);
    p.restore();
}

void AccessoryIcon::paint(QPainter& p, const CatEnv& env, const QRectF& frame) const {
    using namespace art;
    const double side = std::min(frame.width(), frame.height());
    if (side <= 0) return;
    const AccessorySlot sl = slot(item);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    if (sl == AccessorySlot::head || sl == AccessorySlot::face || sl == AccessorySlot::neck ||
        item == CatAccessory::headphones) {
        CatHead head;
        head.breed = env.breed;
        CatOutfit wear;
        if (item == CatAccessory::headphones) wear.extras.push_back(item);
        else wear = CatOutfit::empty().toggling(item);
        head.outfit = wear;
        // head pieces reach up to ~25 units above the head's centre, neck pieces ~21 below
        double top = -16, bottom = 15;
        if (sl == AccessorySlot::head) top = -25.5;
        if (sl == AccessorySlot::neck) bottom = 22;
        const double h = bottom - top, w = 32.0;
        const double k = std::min(frame.width() / w, frame.height() / h);
        head.size = 30;
        p.translate(frame.center());
        p.scale(k, k);
        p.translate(0, -(top + bottom) / 2);
        head.paint(p, env);
    } else if (sl == AccessorySlot::feet) {
        // A pair of paws, close up, wearing the piece.
        const CatCoat& c = coat(env.breed);
        const CatOutfit wear = CatOutfit::empty().toggling(item);
        const double k = std::min(frame.width() / 19.0, frame.height() / 17.0);
        p.translate(frame.center());
        p.scale(k, k);
        drawLeg(p, c, QPointF(-4.4, -6.0), 0, 10.0, true, false, wear);
        drawLeg(p, c, QPointF(2.6, -6.0), 0, 10.0, false, false, wear);
    } else if (item == CatAccessory::tailBow || item == CatAccessory::tailBowBlue) {
        // The tip of a raised tail with the bow, close up.
        const CatCoat& c = coat(env.breed);
        const double k = std::min(frame.width(), frame.height()) / 30.0;
        p.translate(frame.center());
        p.scale(k, k);
        const TailDiscs td = tailDiscs(c, QPointF(-11, 11), QPointF(-4, -2), QPointF(9, -10), 0, 1e9);
        drawTail(p, c, td);
        drawTailBow(p, item, td.at[kTailDiscs / 2], -40, 2.0);
    } else if (item == CatAccessory::backpack || item == CatAccessory::backpackGreen) {
        // The pack itself, with its straps.
        const double k = std::min(frame.width() / 13.5, frame.height() / 13.5);
        p.translate(frame.center());
        p.scale(k, k);
        const QColor strap = item == CatAccessory::backpack ? rgb(0xA87A2E) : rgb(0x4A8A49);
        strokeLine(p, QPointF(-3.4, -4.2), QPointF(-3.4, -6.2), strap, 1.2);
        strokeLine(p, QPointF(3.4, -4.2), QPointF(3.4, -6.2), strap, 1.2);
        drawBackpack(p, item, QPointF(0, 0.6), 0, false);
    } else {
        // The raincoat covers the whole body: the standing cat wearing it.
        CatEnv dressed{env.breed, CatOutfit::empty().toggling(item)};
        CatFigure fig;
        fig.body.swing = 0.35;
        fig.body.tail = 12;
        fig.body.pawAngle = 16 * 0.35;
        fig.head.size = 30;
        // it spans about x -30...30 and y -26...16
        const double k = std::min(frame.width() / 61.0, frame.height() / 44.0);
        p.translate(frame.center());
        p.scale(k, k);
        p.translate(0, 5.0);
        fig.paint(p, dressed);
    }
    p.restore();
}

}  // namespace kp
