// The person walking home: legs with a two-bone knee, rolling sneakers, a coat, a scarf.
#include "onboarding/OnboardKit.h"
#include "onboarding/StoryFilm.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kp::story {
namespace {

using onboard::hex;
constexpr double kPi = std::numbers::pi;

QPointF rotateAbout(QPointF point, QPointF pivot, double angle) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const QPointF d = point - pivot;
    return pivot + QPointF(d.x() * c - d.y() * s, d.x() * s + d.y() * c);
}

void drawShoe(QPainter& p, bool near, QPointF ankle, double roll, double z) {
    p.save();
    p.translate(ankle);
    p.rotate(roll * 180 / kPi);
    p.scale(z, z);
    p.setPen(Qt::NoPen);
    // Upper.
    QPainterPath upper;
    upper.moveTo(-20, -8);
    upper.cubicTo(-12, -12, 4, -10, 12, -2);
    upper.cubicTo(26, 2, 44, 3, 50, 9);
    upper.lineTo(50, 14);
    upper.lineTo(-22, 14);
    upper.cubicTo(-24, 6, -23, -4, -20, -8);
    upper.closeSubpath();
    p.setBrush(hex(near ? "#EDE6DC" : "#C9C0B6"));
    p.drawPath(upper);
    // Toe cap and side panel.
    QPainterPath toe;
    toe.moveTo(26, 3);
    toe.cubicTo(38, 4, 48, 5, 51, 10);
    toe.lineTo(51, 14);
    toe.lineTo(24, 14);
    toe.closeSubpath();
    toe.addRoundedRect(QRectF(-14, 2, 24, 9), 4, 4);
    p.setBrush(hex(near ? "#D8CFC4" : "#B3AA9F"));
    p.drawPath(toe);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.25f), 1.2));
    p.drawLine(QPointF(24, 3), QPointF(24, 13));
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) p.drawLine(QPointF(4 + 6 * i, -4 + 1.5 * i), QPointF(8 + 6 * i, -1 + 1.5 * i));
    p.setPen(QPen(hex("#E39455"), 3.5, Qt::SolidLine, Qt::RoundCap));
    QPainterPath stripe;
    stripe.moveTo(-12, 8);
    stripe.cubicTo(0, 4, 12, 4, 22, 9);
    p.drawPath(stripe);
    p.setPen(Qt::NoPen);
    p.setBrush(hex("#E39455"));
    p.drawRoundedRect(QRectF(-23, -8, 6, 12), 2, 2);
    p.setBrush(QColor::fromRgbF(1, 1, 1, near ? 1.0f : 0.85f));
    p.drawRoundedRect(QRectF(-23, 10, 74, 5), 2.5, 2.5);
    p.restore();
}

void drawHand(QPainter& p, QPointF at, double angle, double z, bool near) {
    p.save();
    p.translate(at);
    p.rotate(-angle * 180 / kPi);
    p.scale(z, z);
    p.setPen(Qt::NoPen);
    p.setBrush(hex(near ? "#D9A383" : "#B5876C"));
    p.drawRoundedRect(QRectF(-7.5, 2, 15, 17), 6, 6);
    p.drawRoundedRect(QRectF(-6, 14, 11, 9), 4.5, 4.5);
    p.setBrush(hex(near ? "#C9937A" : "#A07862"));
    p.drawRoundedRect(QRectF(4, 5, 6, 11), 3, 3);
    p.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.12f), 1));
    p.drawLine(QPointF(-5, 15), QPointF(4, 15));
    p.setPen(Qt::NoPen);
    p.setBrush(hex(near ? "#463C50" : "#2A2430"));
    p.drawRoundedRect(QRectF(-10, -6, 20, 9), 3, 3);
    p.restore();
}

void drawArm(QPainter& p, QPointF shoulder, double theta, double z, bool near) {
    const double beta = 0.18 + 0.4 * std::max(0.0, theta);
    const QPointF elbow = shoulder + 76 * z * QPointF(std::sin(theta), std::cos(theta));
    const QPointF hand = elbow + 66 * z * QPointF(std::sin(theta + beta), std::cos(theta + beta));
    p.setPen(QPen(hex(near ? "#3A3242" : "#221D27"), 27 * z, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QPointF line[] = {shoulder, elbow, hand};
    p.drawPolyline(line, 3);
    drawHand(p, hand, theta + beta, z, near);
}

void drawPersonBody(QPainter& p, QPointF hip, double phase, double w, double z, double doorOpen) {
    const double a = 2 * kPi * phase;
    const double h = 4 * w * std::sin(a);
    const QPointF shoulder = hip + QPointF(2, -132) * z;
    const auto at = [&](double x, double y) { return hip + QPointF(x, y) * z; };
    drawArm(p, shoulder, 0.06 - 0.42 * w * std::cos(a), z, false);
    // Coat.
    QPainterPath coat;
    coat.moveTo(at(-44, -150));
    coat.cubicTo(at(-20, -156), at(20, -156), at(40, -150));
    coat.cubicTo(at(46, -100), at(48, -30), at(62 + h, 52));
    coat.cubicTo(at(30, 58), at(-30, 62), at(-70 + h, 70));
    coat.cubicTo(at(-56, 0), at(-52, -90), at(-44, -150));
    coat.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(hex("#2C2631"));
    p.drawPath(coat);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.3f), 2 * z));
    p.drawLine(at(-40, -20), at(-44 + h, 70));
    p.setPen(QPen(hex("#221D27"), 8 * z));
    p.drawLine(at(-47, -18), at(37, -18));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgbF(0, 0, 0, 0.35f));
    for (double y : {-110.0, -74.0, -38.0}) p.drawEllipse(at(30, y), 2.5 * z, 2.5 * z);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.3f), 1.5 * z));
    p.drawRoundedRect(QRectF(at(4, -2), QSizeF(24 * z, 4 * z)), 2 * z, 2 * z);
    p.setPen(Qt::NoPen);
    if (doorOpen > 0) {
        QLinearGradient g(at(-50, 0), at(40, 0));
        g.setColorAt(0, Qt::transparent);
        g.setColorAt(1, hex("#FFD58A", 0.25 * doorOpen));
        p.setBrush(g);
        p.drawPath(coat);
    }
    // Neck, head, hair, ear.
    p.setBrush(hex("#C08F72"));
    p.drawRoundedRect(QRectF(at(-9, -170), QSizeF(18 * z, 22 * z)), 5 * z, 5 * z);
    p.setBrush(hex("#D9A383"));
    p.drawEllipse(QRectF(at(-22, -218), QSizeF(48 * z, 56 * z)));
    p.setBrush(hex("#33241F"));
    p.drawEllipse(QRectF(at(-26, -222), QSizeF(50 * z, 36 * z)));
    p.drawEllipse(QRectF(at(-28, -208), QSizeF(26 * z, 46 * z)));
    p.setBrush(hex("#C08F72"));
    p.drawEllipse(QRectF(at(-4, -194), QSizeF(10 * z, 15 * z)));
    // Scarf and its trailing end.
    p.setBrush(Qt::NoBrush);
    QPainterPath scarf;
    scarf.moveTo(at(-16, -156));
    scarf.quadTo(at(2, -140), at(18, -152));
    p.setPen(QPen(hex("#E39455"), 15 * z, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(scarf);
    QPainterPath tail;
    tail.moveTo(at(-14, -152));
    tail.quadTo(at(-34, -138), at(-40 - 4 * w, -104 + 6 * w * std::sin(2 * a)));
    p.setPen(QPen(hex("#C97A42"), 12 * z, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(tail);
    drawArm(p, shoulder, 0.06 + 0.42 * w * std::cos(a), z, true);
}

}  // namespace

FootPose footCycle(double phase, double swing, double side) {
    const double f = phase - std::floor(phase);
    double dx = 0, lift = 0, roll = 0;
    if (f < 0.62) {
        const double u = f / 0.62;
        dx = 53.32 - 106.64 * u;
        if (u < 0.15) roll = -0.2 * (0.15 - u) / 0.15;
        else if (u > 0.72) roll = 0.35 * (u - 0.72) / 0.28;
    } else {
        const double v = (f - 0.62) / 0.38;
        dx = -53.32 + 106.64 * v * v * (3 - 2 * v);
        lift = 22 * std::sin(kPi * v);
        roll = 0.35 * (1 - v) - 0.2 * v;
    }
    return {side * (1 - swing) + dx * swing, lift * swing, roll * swing};
}

QPointF kneePoint(QPointF hip, QPointF ankle, double zoom) {
    const double l1 = 122 * zoom;
    const double l2 = 118 * zoom;
    const QPointF d = ankle - hip;
    const double dist = std::hypot(d.x(), d.y());
    const double a = std::atan2(d.y(), d.x());
    const double r = std::max(std::min(l1 + l2 - 0.01, dist), 1e-6);
    const double q = std::clamp((r * r + l1 * l1 - l2 * l2) / (2 * l1 * r), -1.0, 1.0);
    const double b = std::acos(q);
    const QPointF k1 = hip + l1 * QPointF(std::cos(a - b), std::sin(a - b));
    const QPointF k2 = hip + l1 * QPointF(std::cos(a + b), std::sin(a + b));
    return k1.x() >= k2.x() ? k1 : k2;
}

void StoryFilm::drawPerson(QPainter& p, const StoryCamera& cam) const {
    p.save();
    p.setOpacity(p.opacity() * personFade());
    drawPersonOpaque(p, cam);
    p.restore();
}

void StoryFilm::drawPersonOpaque(QPainter& p, const StoryCamera& cam) const {
    const double z = cam.zoom;
    const double W = width();
    const double gy = groundY();
    const auto sx = [&](double x) { return (x - cam.cx) * z + W / 2; };
    const auto sy = [&](double y) { return y * z + gy; };
    const double px = personX(t);
    const double w = legSwing(t);
    const double D = storyDoorX();
    const double step = std::clamp((px - (D - 112)) / 82, 0.0, 1.0);
    const double hipY = 4 * w * std::cos(4 * kPi * px / 172) - 250 - 24 * smooth(step);
    const QPointF hip(sx(px), sy(hipY));
    const double phase = px / 172;

    p.save();
    struct Leg {
        double side, offset;
        const char* colour;
        bool near;
    };
    const Leg legs[] = {{-9, 0, "#2B3C5C", false}, {9, 0.5, "#3D5583", true}};
    for (const Leg& leg : legs) {
        const FootPose foot = footCycle(phase + leg.offset, w, leg.side);
        const double fx = px + foot.dx;
        const double ground = (fx > D - 112 && t > 14.6) ? -38 : -14;
        const QPointF F(sx(fx), sy(ground - foot.lift));
        const QPointF pivot = F + QPointF(foot.roll > 0 ? 48 * z : -22 * z, 14 * z);
        const QPointF ankle = rotateAbout(F, pivot, foot.roll);
        const QPointF knee = kneePoint(hip, ankle, z);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(hex(leg.colour), 40 * z, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(hip, knee);
        p.setPen(QPen(hex(leg.colour), 33 * z, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(knee, ankle);
        drawShoe(p, leg.near, ankle, foot.roll, z);
    }
    drawPersonBody(p, hip, phase, w, z, doorOpen());
    p.restore();
}

}  // namespace kp::story
