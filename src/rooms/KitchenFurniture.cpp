#include "rooms/KitchenFurniture.h"

#include "life/PetLife.h"
#include "platform/Dates.h"
#include "scenery/Sprites.h"

#include <QLinearGradient>
#include <QPainter>
#include <QTime>

#include <cmath>
#include <limits>

namespace kp {

namespace {

constexpr const char* kMetal = "#9AA8B0";

double fractionalPart(double v) { return v - std::trunc(v); }

// A bowl: the lamp-shade trapezoid turned upside down (wide at the rim), its gradient with it.
ShapeList bowlShape(double w, double h, const char* topHex, const char* bottomHex) {
    const QRectF r = bottomRect(w, h);
    QTransform turn;
    turn.translate(r.center().x(), r.center().y());
    turn.rotate(180);
    turn.translate(-r.center().x(), -r.center().y());
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, hexColor(bottomHex));
    g.setColorAt(1, hexColor(topHex));
    ShapeList s;
    s.fill(turn.map(lampShadePath(r)), QBrush(g));
    return s;
}

// A filled drop about 2.5 x 3.5, centred on the origin.
QPainterPath dropPath() {
    QPainterPath path;
    path.moveTo(0, -1.75);
    path.cubicTo(0.5, -0.9, 1.25, -0.2, 1.25, 0.5);
    path.cubicTo(1.25, 1.25, 0.7, 1.75, 0, 1.75);
    path.cubicTo(-0.7, 1.75, -1.25, 1.25, -1.25, 0.5);
    path.cubicTo(-1.25, -0.2, -0.5, -0.9, 0, -1.75);
    path.closeSubpath();
    return path;
}

}  // namespace

void drawBacksplash(QPainter& p, QPointF at, double scale) {
    static const ShapeList shapes = [] {
        ShapeList s;
        s.fill(rectPath(centreRect(322, 18)), "#4F86A0");
        QPainterPath even, odd;
        for (int i = 0; i < 18; ++i)
            addContinuousRoundedRect(i % 2 ? odd : even, QRectF(-161 + i * 18, -6, 16, 12), 1);
        s.fill(even, "#E7F2F6");
        s.fill(odd, "#D0E4EE");
        return s;
    }();
    PieceFrame frame(p, at, scale);
    shapes.paint(p);
}

void drawJarShelf(QPainter& p, QPointF at, double scale) {
    struct Jar {
        const char* lid;
        const char* body;
        double height;
    };
    static constexpr Jar jars[4] = {
        {"#C47B5A", "#E7B15A", 12}, {"#8C735C", "#C46B78", 9}, {"#7EB6E0", "#F7F1EA", 11}, {"#C47B5A", "#8FCB8A", 8}};
    static const std::array<ShapeList, 4> jarShapesList = [] {
        std::array<ShapeList, 4> a;
        for (std::size_t i = 0; i < 4; ++i) a[i] = jarShapes(jars[i].lid, jars[i].body, jars[i].height);
        return a;
    }();
    // Jars (14.5 high), board (3) and supports (4): 21.5 high, centred.
    static const ShapeList shelf = [] {
        ShapeList s;
        s.fill(roundedRectPath(QRectF(-26, 3.75, 52, 3), 1), "#CDB8A0");
        s.fill(rectPath(QRectF(-20, 6.75, 2, 4)), "#A8927A");
        s.fill(rectPath(QRectF(18, 6.75, 2, 4)), "#A8927A");
        return s;
    }();
    PieceFrame frame(p, at, scale);
    for (std::size_t i = 0; i < 4; ++i) {
        const double x = -19.5 + 13.0 * static_cast<double>(i);
        p.translate(x, 3.75);
        jarShapesList[i].paint(p);
        p.translate(-x, -3.75);
    }
    shelf.paint(p);
}

void drawUtensilRail(QPainter& p, QPointF at, double scale, double t) {
    static const ShapeList rail = [] {
        ShapeList s;
        s.fill(capsulePath(QRectF(-16, -6.75, 32, 2)), kMetal);
        return s;
    }();
    // Spatula, ladle and whisk, their tops on y = 0.
    static const ShapeList utensils = [] {
        ShapeList s;
        s.fill(capsulePath(QRectF(-11, 0, 1.5, 8)), "#5C4636");
        s.fill(roundedRectPath(QRectF(-12.25, 8, 4, 4), 1), kMetal);
        s.fill(capsulePath(QRectF(-0.6, 0, 1.2, 9)), kMetal);
        s.fill(ellipsePath(QRectF(-2.25, 9, 4.5, 4.5)), kMetal);
        s.fill(capsulePath(QRectF(9.55, 0, 1.4, 5)), "#5C4636");
        QPen pen(hexColor(kMetal), 0.8);
        s.stroke(ellipsePath(QRectF(8.25, 5, 4, 7)), pen);
        return s;
    }();
    PieceFrame frame(p, at, scale);
    rail.paintKept(p);
    p.translate(0, -6.75 + 1);
    // Their far ends lie within 18 of the hooks.
    p.rotate(scenery::steppedTurn(p, 2 * std::sin(1.2 * t), 18));
    utensils.paintKept(p);
}

ClockHands clockHands(int hour, int minute) {
    const double minutes = minute;
    const double hours = ((hour % 12) + 12) % 12 + minutes / 60;
    return {hours * 30, minutes * 6};
}

ClockHands clockHands(const QTime& localTime) {
    if (!localTime.isValid()) return clockHands(0, 0);
    return clockHands(localTime.hour(), localTime.minute());
}

void drawWallClock(QPainter& p, QPointF at, double scale, ClockHands hands) {
    static const ShapeList face = [] {
        ShapeList s;
        s.fill(ellipsePath(centreRect(16, 16)), "#F7F1EA");
        s.stroke(ellipsePath(centreRect(16, 16)), QPen(hexColor("#8C735C"), 1.6));
        return s;
    }();
    static const QPainterPath hourHand = capsulePath(QRectF(-0.7, -4.5, 1.4, 4.5));
    static const QPainterPath minuteHand = capsulePath(QRectF(-0.5, -6, 1, 6));
    static const QBrush ink(hexColor("#2C2622")), pin(hexColor("#C46B78"));
    PieceFrame frame(p, at, scale);
    face.paint(p);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.save();
    p.rotate(hands.hourDegrees);
    p.drawPath(hourHand);
    p.restore();
    p.save();
    p.rotate(hands.minuteDegrees);
    p.drawPath(minuteHand);
    p.restore();
    p.setBrush(pin);
    p.drawEllipse(QPointF(0, 0), 0.8, 0.8);
}

void drawFridge(QPainter& p, QPointF at, double scale) {
    static const ShapeList shapes = [] {
        ShapeList s;
        s.fill(roundedRectPath(QRectF(-17, -56, 34, 56), 4), "#F4F7F8");
        s.fill(rectPath(QRectF(-17, -38, 34, 1)), "#D5DEE2");
        s.fill(capsulePath(QRectF(8.5, -46, 3, 10)), "#8AA0A8");
        s.fill(capsulePath(QRectF(8.5, -26, 3, 8)), "#8AA0A8");
        return s;
    }();
    PieceFrame frame(p, at, scale);
    shapes.paint(p);
}

void drawKitchenCounter(QPainter& p, QPointF at, double scale) {
    static const ShapeList shapes = [] {
        ShapeList s;
        s.fill(rectPath(bottomRect(82, 2)), "#4E3B2E");
        s.fill(roundedRectPath(QRectF(-43, -22, 86, 20), 2), "#7A5E4A");
        const QPen outline(hexColor("#5C4636"), 1);
        for (int i = 0; i < 3; ++i) {
            const QRectF door(-40.5 + i * 28, -19.5, 25, 15);
            s.stroke(roundedRectPath(door, 1.5), outline);
            s.fill(ellipsePath(QRectF(door.right() - 4.5, door.top() + 2.5, 2, 2)), "#E7C56A");
        }
        s.fill(roundedRectPath(bottomRect(92, 4, 0, -22), 1.5), "#F2EBE1");
        s.fill(roundedRectPath(bottomRect(22, 2, -20, -24), 1), "#B9C9D2");
        s.fill(capsulePath(bottomRect(2, 9, -10, -26)), kMetal);
        s.fill(capsulePath(bottomRect(8, 2, -13, -33)), kMetal);
        s.fill(roundedRectPath(bottomRect(18, 2.5, 20, -26), 1), "#D9B07A");
        s.fill(ellipsePath(bottomRect(5, 5, 22, -28.5)), "#E05A4E");
        s.fill(capsulePath(bottomRect(2.5, 1.2, 22, -33)), "#6FAF5A");
        return s;
    }();
    PieceFrame frame(p, at, scale);
    shapes.paint(p);
}

void drawStove(QPainter& p, QPointF at, double scale, double t) {
    static const ShapeList shapes = [] {
        ShapeList s;
        s.fill(roundedRectPath(bottomRect(40, 30), 3), "#E9E4DC");
        s.fill(roundedRectPath(bottomRect(30, 16, 0, -4), 2), "#3A3633");
        s.fill(roundedRectPath(centreRect(22, 8, 0, -12), 1.5), "#5C534C");
        s.fill(roundedRectPath(centreRect(22, 8, 0, -12), 1.5), "#F0A24A", 0.22);
        s.fill(capsulePath(bottomRect(20, 2, 0, -21)), kMetal);
        s.fill(rectPath(bottomRect(40, 4, 0, -25)), "#CFC7BB");
        QPainterPath knobs;
        for (int i = -1; i <= 1; ++i) knobs.addEllipse(QPointF(8.6 * i, -27.0), 1.3, 1.3);
        s.fill(knobs, "#5C534C");
        s.fill(rectPath(bottomRect(38, 2, 0, -30)), "#3A3633");
        s.fill(roundedRectPath(bottomRect(20, 10, 0, -32), 3), "#C46B5A");
        QPainterPath handles = capsulePath(QRectF(-13, -40, 3, 2));
        handles.addPath(capsulePath(QRectF(10, -40, 3, 2)));
        s.fill(handles, "#A8523F");
        s.fill(capsulePath(bottomRect(22, 2.5, 0, -42)), "#A8523F");
        s.fill(capsulePath(bottomRect(4, 2, 0, -44)), "#7A3A2C");
        return s;
    }();
    PieceFrame frame(p, at, scale);
    shapes.paintKept(p);
    // Steam: three puffs a third of a cycle apart, rising, widening and fading; each laid from a
    // picture kept for each width a quarter of a device pixel apart.
    const double was = p.opacity();
    for (int i = 0; i < 3; ++i) {
        const double ph = fractionalPart(0.45 * t + 0.33 * i);
        const double w = scenery::quarterPixels(p, 2 + 2 * ph);
        p.setOpacity(was * 0.55 * (1 - ph));
        scenery::drawMovingSprite(p, 0x535445414D000000ull | static_cast<std::uint64_t>(std::lround(w * 1024) & 0xFFFFFF),
                                  QPointF(5 * (i - 1) + 2 * std::sin(6 * ph + i), -47 - 12 * ph), QRectF(-w / 2 - 1, -7, w + 2, 8),
                                  [&](QPainter& q) {
                                      q.setPen(Qt::NoPen);
                                      q.setBrush(Qt::white);
                                      q.drawRoundedRect(bottomRect(w, 6), w / 2, w / 2);
                                  });
    }
    p.setOpacity(was);
}

void drawSideTable(QPainter& p, QPointF at, double scale) {
    static const ShapeList shapes = [] {
        ShapeList s;
        s.fill(rectPath(QRectF(-15, -19, 2.5, 19)), "#8C6A52");
        s.fill(rectPath(QRectF(12.5, -19, 2.5, 19)), "#8C6A52");
        s.fill(roundedRectPath(bottomRect(38, 3, 0, -19), 1.5), "#A8805E");
        s.fill(roundedRectPath(bottomRect(5, 5.5, -8, -22), 1.2), "#F7F1EA");
        s.stroke(ellipsePath(centreRect(3, 3, -5, -24.75)), QPen(hexColor("#F7F1EA"), 1));
        s.fill(ellipsePath(bottomRect(4.5, 4.5, 8, -22)), "#E05A4E");
        return s;
    }();
    PieceFrame frame(p, at, scale);
    shapes.paint(p);
}

void drawKitchenChair(QPainter& p, QPointF at, double scale) {
    static const ShapeList shapes = [] {
        ShapeList s;
        s.fill(rectPath(QRectF(-7, -12, 2, 12)), "#6E5348");
        s.fill(rectPath(QRectF(5, -12, 2, 12)), "#6E5348");
        s.fill(roundedRectPath(bottomRect(16, 3, 0, -12), 1), "#8C6A52");
        s.fill(roundedRectPath(bottomRect(3, 15, 6.5, -15), 2, 2, 0, 0), "#8C6A52");
        return s;
    }();
    PieceFrame frame(p, at, scale);
    shapes.paint(p);
}

double foodFill(bool eating, double t) { return eating ? 0.85 + 0.15 * std::fabs(std::sin(3 * t)) : 1.0; }

void drawFoodBowl(QPainter& p, QPointF at, double scale, double fill) {
    // The kibble row with its bottom on y = 0: a small mound of five pieces.
    static const ShapeList kibble = [] {
        ShapeList s;
        static constexpr double raise[5] = {0, 0.7, 1.5, 0.7, 0};
        QPainterPath light, dark;
        for (int i = 0; i < 5; ++i)
            (i % 2 ? dark : light).addEllipse(QPointF(-7 + 3.5 * i, -2.25 - raise[i]), 2.25, 2.25);
        s.fill(light, "#C98A4B");
        s.fill(dark, "#A86B3C");
        return s;
    }();
    static const ShapeList bowl = [] {
        ShapeList s = bowlShape(22, 8, "#D9896A", "#B5654A");
        s.fill(capsulePath(bottomRect(24, 2.5, 0, -7)), "#F0B49A");
        QTransform m;
        m.translate(0, -4);
        s.fill(m.map(captionPath(QStringLiteral("CAT"), 3.5)), QBrush(QColor(255, 255, 255, 179)));
        return s;
    }();
    PieceFrame frame(p, at, scale);
    p.save();
    p.translate(0, -7);
    // A kept picture only while the mound is whole: squashed, it is drawn as it shrinks.
    if (fill == 1.0) {
        kibble.paintKept(p);
    } else {
        p.scale(1, fill);
        kibble.paint(p);
    }
    p.restore();
    bowl.paintKept(p);
}

void drawWaterBowl(QPainter& p, QPointF at, double scale, bool drinking, double t) {
    static const ShapeList bowl = [] {
        ShapeList s = bowlShape(20, 7, "#8CC0E4", "#5A94C4");
        s.fill(capsulePath(bottomRect(20, 2.5, 0, -6)), "#CFEAF8");
        return s;
    }();
    static const ShapeList mark = [] {
        ShapeList s;
        QTransform m;
        m.translate(0, -3.5);
        s.fill(m.map(dropPath()), QBrush(QColor(255, 255, 255, 191)));
        return s;
    }();
    PieceFrame frame(p, at, scale);
    bowl.paint(p);
    if (drinking) {
        static const QPen ring(Qt::white, 0.8);
        p.setBrush(Qt::NoBrush);
        p.setPen(ring);
        const double was = p.opacity();
        for (int i = 0; i < 2; ++i) {
            const double ph = fractionalPart(2.2 * t + 0.5 * i);
            p.setOpacity(was * (1 - ph));
            p.drawEllipse(bottomRect(4 + 14 * ph, 1.5 + ph, 0, -6));
        }
        p.setOpacity(was);
    }
    mark.paint(p);
}

KitchenState kitchenState(const RoomModels& m, double t) {
    KitchenState s;
    // The frame's own time: the wall clock and what is drawn beside it show the same moment. The
    // hands move by the minute and zones are offset by whole minutes, so the local time (which
    // reads the zone file again each time) is asked for once a minute, not at every frame.
    thread_local double minute = std::numeric_limits<double>::quiet_NaN();
    thread_local ClockHands hands;
    if (const double now = std::floor(t / 60); !(now == minute)) {
        minute = now;
        hands = clockHands(dateFromReference(t).toLocalTime().time());
    }
    s.clock = hands;
    if (m.life) {
        s.eating = m.life->pose() == PetPose::eating;
        s.drinking = m.life->pose() == PetPose::drinking && m.life->room() == IslandRoomKind::kitchen;
        s.catDead = m.life->isDead();
    }
    return s;
}

void paintKitchenFurniture(QPainter& p, const RoomFrame& f, const KitchenState& s) {
    const double w = f.width, floor = f.floorLine, t = f.t, k = kFurnitureScale;
    const double lower = -room::furnitureLift;
    if (f.draws(false)) {
        drawBacksplash(p, {0.4 * w, 72}, k);
        drawJarShelf(p, {0.4 * w, 48}, k);
        drawFridge(p, floorAnchor(kFridgeX, floor), k);
        drawKitchenCounter(p, floorAnchor(0.4 * w, floor), k);
        drawSideTable(p, floorAnchor(0.79 * w, floor), k);
        drawKitchenChair(p, floorAnchor(0.855 * w, floor), k);
    }
    if (!f.draws(true)) return;
    drawUtensilRail(p, {0.56 * w, 52}, k, t);
    drawWallClock(p, {0.8 * w, 58}, k, s.clock);
    drawStove(p, floorAnchor(0.66 * w, floor), k, t);
    drawPottedPlant(p, floorAnchor(0.93 * w, floor), k, t);
    drawFoodBowl(p, floorAnchor(0.54 * w, floor, lower), k, foodFill(s.eating, t));
    drawWaterBowl(p, floorAnchor(0.47 * w, floor, lower), k, s.drinking, t);
}

void addKitchenHotspots(const RoomFrame& f, const KitchenState& s, RoomHotspots& hot) {
    const double w = f.width, floor = f.floorLine, k = kFurnitureScale;
    const double lower = -room::furnitureLift;
    hot.add(floorHitRect(floorAnchor(0.54 * w, floor, lower), k, 30, 16), RoomAction::errand(PetErrand::eat),
            !s.catDead);
    hot.add(floorHitRect(floorAnchor(0.47 * w, floor, lower), k, 26, 14), RoomAction::errand(PetErrand::drink),
            !s.catDead);
}

}  // namespace kp
