#include "rooms/CareRoomFurniture.h"

#include "cat/HeartPath.h"
#include "life/PetLife.h"
#include "rooms/RoomShapesScenery.h"
#include "scenery/Sprites.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kp {

namespace {

double fractionalPart(double v) { return v - std::trunc(v); }

// A filled paw print about 4 points across, centred on the origin.
QPainterPath pawPrintPath() {
    QPainterPath path;
    path.addEllipse(QPointF(0, 0.7), 1.25, 1.05);
    path.addEllipse(QPointF(-1.45, -0.55), 0.48, 0.6);
    path.addEllipse(QPointF(-0.55, -1.3), 0.48, 0.62);
    path.addEllipse(QPointF(0.55, -1.3), 0.48, 0.62);
    path.addEllipse(QPointF(1.45, -0.55), 0.48, 0.6);
    path.setFillRule(Qt::WindingFill);
    return path;
}

QPainterPath smellLinePath() {
    QPainterPath path;
    path.moveTo(1.5, 10);
    path.quadTo(3.5, 7.5, 1.5, 5);
    path.quadTo(-0.5, 2.5, 1.5, 0);
    return path;
}

}  // namespace

HeartMonitorState heartMonitorState(double health, double t) {
    const double beatsPerSecond = 1.2 + 1.2 * (100 - health) / 100;
    return {fractionalPart(beatsPerSecond * t), health < 40};
}

std::array<QPointF, 6> ecgTracePoints(double phase) {
    const double x0 = phase * 26;
    return {QPointF(0, 8),  QPointF(std::max(x0 - 4, 0.0), 8), QPointF(std::max(x0 - 2, 0.0), 3),
            QPointF(x0, 12), QPointF(std::min(x0 + 2, 26.0), 8), QPointF(26, 8)};
}

void drawCareChart(QPainter& p, QPointF at, double scale) {
    static const ShapeList shapes = [] {
        ShapeList s;
        s.fill(roundedRectPath(centreRect(34, 26), 4), "#F7F1EA");
        s.fill(capsulePath(QRectF(-9, -7, 16, 2)), "#F4505E");
        s.fill(capsulePath(QRectF(-9, -2, 12, 2)), "#7EB6E0");
        s.fill(capsulePath(QRectF(-9, 3, 18, 2)), "#8FCB8A");
        return s;
    }();
    PieceFrame frame(p, at, scale);
    shapes.paint(p);
}

void drawHeartMonitor(QPainter& p, QPointF at, double scale, HeartMonitorState s) {
    static const ShapeList casing = [] {
        ShapeList l;
        l.fill(roundedRectPath(centreRect(34, 24), 3), "#B8C4BE");
        l.fill(roundedRectPath(centreRect(28, 16, 0, -1), 2), "#1C2A26");
        return l;
    }();
    static const QColor red = hexColor("#F4505E"), green = hexColor("#7FE0A0"), dotGreen = hexColor("#8FCB8A");
    static const QPainterPath heart = heartPath(QPointF(10, -6), 3.3);
    static const QPen pens[2] = {[] {
                                     QPen pen(hexColor("#7FE0A0"), 1);
                                     pen.setCapStyle(Qt::RoundCap);
                                     pen.setJoinStyle(Qt::RoundJoin);
                                     return pen;
                                 }(),
                                 [] {
                                     QPen pen(hexColor("#F4505E"), 1);
                                     pen.setCapStyle(Qt::RoundCap);
                                     pen.setJoinStyle(Qt::RoundJoin);
                                     return pen;
                                 }()};
    PieceFrame frame(p, at, scale);
    casing.paintKept(p);
    // The trace's 26 x 16 box, centred one point up: its blip runs in quarters of a device pixel,
    // each place a kept picture.
    const double run = scenery::quarterPixels(p, s.phase * 26);
    const std::uint64_t low = s.low ? 1 : 0;
    scenery::drawStillSprite(p, 0x4543470000000000ull | low << 32 | static_cast<std::uint64_t>(std::lround(run * 1024) & 0xFFFFFF),
                             QRectF(-14, -7, 28, 11), [&](QPainter& q) {
                                 std::array<QPointF, 6> points = ecgTracePoints(run / 26);
                                 for (QPointF& pt : points) pt += QPointF(-13, -9);
                                 q.setBrush(Qt::NoBrush);
                                 q.setPen(pens[low]);
                                 q.drawPolyline(points.data(), static_cast<int>(points.size()));
                             });
    scenery::drawStillSprite(p, 0x4845415254000000ull | low, QRectF(5, -10, 10, 21), [&](QPainter& q) {
        q.setPen(Qt::NoPen);
        q.setBrush(s.low ? red : green);
        q.drawPath(heart);
        q.setBrush(s.low ? red : dotGreen);
        q.drawEllipse(QPointF(13, 9.5), 1, 1);
    });
}

void drawSupplyShelf(QPainter& p, QPointF at, double scale) {
    static const ShapeList jar = jarShapes("#7EB6E0", "#F7F4F0", 11);
    static const ShapeList rest = [] {
        ShapeList s;
        s.fill(roundedRectPath(bottomRect(6, 9, 1, 6.5), 1.5), "#E7B15A");
        s.fill(roundedRectPath(centreRect(7, 2.5, 1, -3), 1), QBrush(Qt::white));
        s.fill(ellipsePath(centreRect(8, 8, 11.5, 2.5)), "#F4EDE6");
        s.stroke(ellipsePath(centreRect(4, 4, 11.5, 2.5)), QPen(hexColor("#D9CBBB"), 0.8));
        s.fill(roundedRectPath(QRectF(-19, 6.5, 38, 2.5), 1), "#9CB3A9");
        return s;
    }();
    PieceFrame frame(p, at, scale);
    p.translate(-10.5, 6.5);
    jar.paint(p);
    p.translate(10.5, -6.5);
    rest.paint(p);
}

void drawExamCot(QPainter& p, QPointF at, double scale) {
    static const ShapeList shapes = [] {
        ShapeList s;
        s.fill(roundedRectPath(bottomRect(78, 8), 3), "#8AA096");
        s.fill(roundedRectPath(bottomRect(72, 14, 0, -6), 4), "#F7F1EA");
        s.fill(roundedRectPath(bottomRect(18, 8, -22, -12), 2), "#E7F2F6");
        return s;
    }();
    PieceFrame frame(p, at, scale);
    shapes.paint(p);
}

void drawDripStand(QPainter& p, QPointF at, double scale, double t) {
    static const ShapeList shapes = [] {
        ShapeList s;
        QPainterPath wheels;
        wheels.addEllipse(QPointF(-5.5, -1.5), 1.5, 1.5);
        wheels.addEllipse(QPointF(5.5, -1.5), 1.5, 1.5);
        s.fill(wheels, "#5E6B66");
        s.fill(rectPath(bottomRect(14, 2, 0, -2.5)), "#8E9C96");
        s.fill(rectPath(bottomRect(1.5, 50, 0, -3)), "#A9B6B0");
        s.fill(rectPath(bottomRect(10, 1.5, 0, -52)), "#A9B6B0");
        s.fill(roundedRectPath(bottomRect(9, 12, 3, -38), 3), "#DDF0F4", 0.9);
        s.fill(roundedRectPath(bottomRect(9, 7, 3, -38), 3), "#9ED6E4");
        s.fill(rectPath(bottomRect(0.8, 14, 3, -24)), "#C9E4EC");
        return s;
    }();
    static const QBrush drop(hexColor("#7EC8DA"));
    PieceFrame frame(p, at, scale);
    shapes.paintKept(p);
    const double phase = fractionalPart(0.8 * t);
    scenery::drawMovingSprite(p, reinterpret_cast<std::uintptr_t>(&drop), QPointF(3, phase * 12 - 36), QRectF(-1.8, -2.6, 3.6, 3.6),
                              [](QPainter& q) {
                                  q.setPen(Qt::NoPen);
                                  q.setBrush(drop);
                                  q.drawEllipse(bottomRect(1.6, 1.6));
                              });
}

double medicinePulse(bool healing, double t) { return healing ? 1 + 0.03 * std::sin(6 * t) : 1.0; }

void drawMedicineCabinet(QPainter& p, QPointF at, double scale, double pulse) {
    static const ShapeList shapes = [] {
        ShapeList s;
        s.fill(roundedRectPath(bottomRect(36, 34), 4), "#E7E0D6");
        s.fill(roundedRectPath(bottomRect(36, 3, 0, -30), 2), "#CDB8A0");
        s.fill(roundedRectPath(bottomRect(12, 18, 0, -8), 3), "#F7F1EA");
        s.fill(roundedRectPath(bottomRect(10, 5, 0, -20), 2), "#8FCB8A");
        QPainterPath cross;
        cross.addRect(centreRect(2, 6, 0, -13));
        cross.addRect(centreRect(6, 2, 0, -13));
        cross.setFillRule(Qt::WindingFill);
        s.fill(cross, "#F4505E");
        return s;
    }();
    PieceFrame frame(p, at, scale * pulse);
    // Pulsing, it is drawn at every size it takes; at rest from a kept picture.
    if (pulse == 1.0)
        shapes.paintKept(p);
    else
        shapes.paint(p);
}

void drawWeighScale(QPainter& p, QPointF at, double scale, double needleDegrees) {
    static const ShapeList shapes = [] {
        ShapeList s;
        s.fill(roundedRectPath(bottomRect(28, 4), 2), "#F4EDE6");
        s.fill(roundedRectPath(bottomRect(24, 1.5, 0, -4), 1), "#C9D6D0");
        s.fill(ellipsePath(centreRect(8, 8, 9, -10)), QBrush(Qt::white));
        s.stroke(ellipsePath(centreRect(8, 8, 9, -10)), QPen(hexColor("#8E9C96"), 0.8));
        return s;
    }();
    static const QBrush needle(hexColor("#F4505E"));
    PieceFrame frame(p, at, scale);
    shapes.paintKept(p);
    p.translate(9, -10);
    p.rotate(needleDegrees);
    p.setPen(Qt::NoPen);
    p.setBrush(needle);
    p.drawRect(QRectF(-0.4, -3, 0.8, 3));
}

void drawLitterBox(QPainter& p, QPointF at, double scale, int poops, double t) {
    static const ShapeList litter = [] {
        ShapeList s;
        s.fill(capsulePath(bottomRect(32, 5, 0, -8)), "#E8DCC6");
        return s;
    }();
    static const std::array<QPainterPath, 4> droppings = [] {
        static constexpr double xs[4] = {-8, 5, -1, 10};
        std::array<QPainterPath, 4> a;
        for (std::size_t i = 0; i < 4; ++i) a[i] = ellipsePath(bottomRect(5, 3.5, xs[i], -10.5));
        return a;
    }();
    static const QBrush droppingBrush(hexColor("#7A5038"));
    static const ShapeList tray = [] {
        ShapeList s;
        const QRectF r = bottomRect(36, 9);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, hexColor("#B48AD0"));
        g.setColorAt(1, hexColor("#8E64AC"));
        s.fill(roundedRectPath(r, 0, 0, 4, 4), QBrush(g));
        s.fill(capsulePath(bottomRect(38, 2, 0, -8)), "#CDB0E2");
        QTransform m;
        m.translate(0, -4.5);
        s.fill(m.map(pawPrintPath()), QBrush(QColor(255, 255, 255, 179)));
        return s;
    }();
    static const QPainterPath smell = smellLinePath();
    static const QPen smellPen = [] {
        QPen pen(hexColor("#9DB86A", 0.8), 1);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::MiterJoin);
        return pen;
    }();
    PieceFrame frame(p, at, scale);
    litter.paintKept(p);
    p.setPen(Qt::NoPen);
    p.setBrush(droppingBrush);
    const int marks = std::clamp(poops, 0, 4);
    for (int i = 0; i < marks; ++i) p.drawPath(droppings[static_cast<std::size_t>(i)]);
    tray.paintKept(p);
    if (poops >= 2) {
        p.setBrush(Qt::NoBrush);
        p.setPen(smellPen);
        for (int i = 0; i < 3; ++i) {
            const QPointF corner(-8.5 + 7 * i, -25 - 1.5 * std::sin(2 * t + i));
            p.translate(corner);
            p.drawPath(smell);
            p.translate(-corner);
        }
    }
}

void drawCatCarrier(QPainter& p, QPointF at, double scale) {
    static const ShapeList shapes = [] {
        ShapeList s;
        const QRectF shell = bottomRect(38, 24);
        QLinearGradient g(shell.topLeft(), shell.bottomLeft());
        g.setColorAt(0, hexColor("#7EB6E0"));
        g.setColorAt(1, hexColor("#5A94C4"));
        s.fill(roundedRectPath(shell, 10, 10, 3, 3), QBrush(g));
        s.fill(roundedRectPath(bottomRect(16, 15, 7, -4), 5), "#2C3A44");
        s.fill(capsulePath(bottomRect(14, 4, 7, -4)), "#F0A0B0");
        QPainterPath bars;
        for (int i = 0; i < 4; ++i) bars.addRect(QRectF(1.25 + 3.5 * i, -19, 1, 15));
        s.fill(bars, "#DDE6EC");
        QPainterPath vents;
        for (int i = 0; i < 3; ++i) vents.addPath(capsulePath(QRectF(-13.25 + 3.5 * i, -16, 1.5, 6)));
        s.fill(vents, "#3E6E96");
        s.stroke(capsulePath(bottomRect(14, 6, 0, -24)), QPen(hexColor("#3E6E96"), 2));
        return s;
    }();
    PieceFrame frame(p, at, scale);
    shapes.paintKept(p);
}

// ---- The scale's needle ----

namespace {

constexpr double kNeedleOmega = 2 * std::numbers::pi / 0.6;  // response 0.6 s
constexpr double kNeedleDamping = 0.4;

}  // namespace

double NeedleSpring::value(double t) const {
    const double target = loaded_ ? loadedDegrees : emptyDegrees;
    const double tau = std::max(0.0, t - since_);
    if (tau > 30) return target;
    const double a = kNeedleDamping * kNeedleOmega;
    const double wd = kNeedleOmega * std::sqrt(1 - kNeedleDamping * kNeedleDamping);
    const double x0 = from_ - target;
    const double b = (velocity_ + a * x0) / wd;
    return target + std::exp(-a * tau) * (x0 * std::cos(wd * tau) + b * std::sin(wd * tau));
}

double NeedleSpring::update(bool loaded, double t) {
    if (!started_) {
        // The first frame shows the needle at rest where it belongs.
        started_ = true;
        loaded_ = loaded;
        from_ = loaded ? loadedDegrees : emptyDegrees;
        velocity_ = 0;
        since_ = t;
        return from_;
    }
    if (loaded != loaded_) {
        // Carry on from where the needle is, with the speed it has.
        const double target = loaded_ ? loadedDegrees : emptyDegrees;
        const double tau = std::max(0.0, t - since_);
        const double a = kNeedleDamping * kNeedleOmega;
        const double wd = kNeedleOmega * std::sqrt(1 - kNeedleDamping * kNeedleDamping);
        const double x0 = from_ - target;
        const double b = (velocity_ + a * x0) / wd;
        const double decay = tau > 30 ? 0 : std::exp(-a * tau);
        const double x = decay * (x0 * std::cos(wd * tau) + b * std::sin(wd * tau));
        const double v = decay * (velocity_ * std::cos(wd * tau) - (a * b + x0 * wd) * std::sin(wd * tau));
        from_ = target + x;
        velocity_ = v;
        since_ = t;
        loaded_ = loaded;
    }
    return value(t);
}

bool scaleLoaded(bool catInCare, double place) { return catInCare && std::fabs(place - 0.24) < 0.04; }

CareRoomState careRoomState(const RoomModels& m) {
    CareRoomState s;
    if (m.life) {
        const PetLife& life = *m.life;
        s.health = life.health();
        s.healing = life.pose() == PetPose::healing;
        s.loaded = scaleLoaded(life.room() == IslandRoomKind::care, life.place());
        s.poops = life.poops();
        s.catDead = life.isDead();
    }
    return s;
}

void paintCareRoomFurniture(QPainter& p, const RoomFrame& f, const CareRoomState& s, NeedleSpring& needle,
                            RoomScenery* scenery) {
    const double w = f.width, floor = f.floorLine, t = f.t, k = kFurnitureScale;
    if (f.draws(false)) {
        drawCareChart(p, {0.3 * w, 56}, k);
        drawSupplyShelf(p, {0.8 * w, 50}, k);
        drawExamCot(p, floorAnchor(0.44 * w, floor), k);
        }
    if (!f.draws(true)) return;
    if (scenery) scenery->plainWindow(p, kCareWindowCentre, k, f.look, t);
    drawHeartMonitor(p, {0.555 * w, 52}, k, heartMonitorState(s.health, t));
    drawDripStand(p, floorAnchor(0.555 * w, floor), k, t);
    drawMedicineCabinet(p, floorAnchor(0.66 * w, floor), k, medicinePulse(s.healing, t));
    drawWeighScale(p, floorAnchor(0.24 * w, floor), k, needle.update(s.loaded, t));
    drawLitterBox(p, floorAnchor(0.765 * w, floor), k, s.poops, t);
    drawCatCarrier(p, floorAnchor(0.855 * w, floor), k);
    drawPottedPlant(p, floorAnchor(0.94 * w, floor), k, t);
}

void addCareRoomHotspots(const RoomFrame& f, const CareRoomState& s, RoomHotspots& hot) {
    const double w = f.width, floor = f.floorLine, k = kFurnitureScale;
    hot.add(floorHitRect(floorAnchor(0.66 * w, floor), k, 36, 48), RoomAction::errand(PetErrand::medicine),
            !s.catDead);
    hot.add(floorHitRect(floorAnchor(0.765 * w, floor), k, 40, 28), {RoomActionKind::cleanLitter, 0}, true);
}

}  // namespace kp
