#include "rooms/LivingFurniture.h"

#include "life/PetLife.h"
#include "rooms/Fireplace.h"
#include "rooms/RoomShapesScenery.h"

#include <QPainter>
#include <QRadialGradient>

#include <cmath>
#include <numbers>

namespace kp {

void drawSofa(QPainter& p, QPointF at, double scale) {
    static const ShapeList shapes = [] {
        ShapeList s;
        s.fill(roundedRectPath(bottomRect(86, 24), 7), "#3E4A5C");
        s.fill(roundedRectPath(bottomRect(76, 12, 0, -7), 5), "#5C6B80");
        s.fill(roundedRectPath(bottomRect(16, 10, -22, -10), 3), "#E7D5C5");
        return s;
    }();
    PieceFrame frame(p, at, scale);
    shapes.paint(p);
}

void drawCoffeeTable(QPainter& p, QPointF at, double scale) {
    static const ShapeList shapes = [] {
        ShapeList s;
        s.fill(roundedRectPath(bottomRect(3, 6, -14, 0), 2), "#8C735C");
        s.fill(roundedRectPath(bottomRect(3, 6, 14, 0), 2), "#8C735C");
        s.fill(roundedRectPath(bottomRect(40, 7, 0, -5), 3), "#CDB8A0");
        return s;
    }();
    PieceFrame frame(p, at, scale);
    shapes.paint(p);
}

void drawOttoman(QPainter& p, QPointF at, double scale) {
    static const ShapeList shapes = [] {
        ShapeList s;
        s.fill(roundedRectPath(bottomRect(32, 20), 5), "#6E5348");
        s.fill(roundedRectPath(bottomRect(26, 12, 0, -5), 4), "#8C6A58");
        return s;
    }();
    PieceFrame frame(p, at, scale);
    shapes.paint(p);
}

void drawLoungeRug(QPainter& p, QPointF at, double scale) {
    static const ShapeList shapes = [] {
        ShapeList s;
        s.fill(roundedRectPath(bottomRect(60, 4), 1.5), "#8C4A4A");
        s.fill(rectPath(centreRect(52, 1, 0, -2)), "#F4EDE6", 0.35);
        return s;
    }();
    PieceFrame frame(p, at, scale);
    shapes.paint(p);
}

double playBallAngle(double ballX) { return ballX / (14 * std::numbers::pi) * 360; }

void drawPlayBall(QPainter& p, QPointF at, double scale, double angleDegrees) {
    static const ShapeList ball = [] {
        ShapeList s;
        const QRectF r = bottomRect(14, 14);
        QRadialGradient g(QPointF(r.left() + 0.35 * 14, r.top() + 0.3 * 14), 10);
        g.setColorAt(0, hexColor("#F7C7CE"));
        g.setColorAt(0.1, hexColor("#F7C7CE"));
        g.setColorAt(1, hexColor("#E07A8C"));
        s.fill(ellipsePath(r), QBrush(g));
        return s;
    }();
    // The highlight: a quarter-odd arc of an 8-point circle, from 0.1 to 0.4 of its outline.
    static const QPainterPath arc = [] {
        const QRectF r = centreRect(8, 8);
        QPainterPath path;
        path.arcMoveTo(r, -36);
        path.arcTo(r, -36, -108);
        return path;
    }();
    static const QPen arcPen = [] {
        QPen pen(hexColor("#FFF6EE"), 1.2);
        pen.setCapStyle(Qt::RoundCap);
        return pen;
    }();
    PieceFrame frame(p, at, scale);
    ball.paint(p);
    p.translate(0, -7);
    p.rotate(std::fmod(angleDegrees - 20, 360.0));
    p.setBrush(Qt::NoBrush);
    p.setPen(arcPen);
    p.drawPath(arc);
}

LivingState livingState(const RoomModels& m) {
    LivingState s;
    if (m.life) {
        s.watching = m.life->pose() == PetPose::watching;
        s.catDead = m.life->isDead();
    }
    return s;
}

void paintLivingFurniture(QPainter& p, const RoomFrame& f, const LivingState& s, RoomScenery* scenery) {
    const double w = f.width, floor = f.floorLine, t = f.t, k = kFurnitureScale;
    const double lower = -room::furnitureLift;
    if (f.draws(false)) {
        drawFramedLandscape(p, {0.48 * w, 56}, k);
        drawSofa(p, floorAnchor(0.48 * w, floor), k);
        drawCoffeeTable(p, floorAnchor(0.48 * w, floor), k);
        drawOttoman(p, floorAnchor(0.66 * w, floor), k);
    }
    if (!f.draws(true)) return;
    if (scenery) scenery->plainWindow(p, kLivingWindowCentre, k, f.look, t);
    drawFireplace(p, floorAnchor(0.27 * w, floor), k, fireFlicker(t), t);
    drawTvStand(p, floorAnchor(0.82 * w, floor), k, s.watching, t);
    drawPottedPlant(p, floorAnchor(0.92 * w, floor), k, t);
    drawLoungeRug(p, floorAnchor(0.27 * w, floor, lower + 2), k);
    drawPlayBall(p, floorAnchor(f.ballX, floor, lower), k, playBallAngle(f.ballX));
}

void addLivingHotspots(const RoomFrame& f, const LivingState& s, RoomHotspots& hot) {
    const double w = f.width, floor = f.floorLine, k = kFurnitureScale;
    const double lower = -room::furnitureLift;
    const bool alive = !s.catDead;
    hot.add(floorHitRect(floorAnchor(0.82 * w, floor), k, 56, 49), RoomAction::errand(PetErrand::watchTV), alive);
    hot.add(floorHitRect(floorAnchor(0.27 * w, floor, lower + 2), k, 60, 14), RoomAction::errand(PetErrand::lounge),
            alive);
    hot.add(floorHitRect(floorAnchor(f.ballX, floor, lower), k, 16, 16), RoomAction::errand(PetErrand::play), alive);
}

}  // namespace kp
