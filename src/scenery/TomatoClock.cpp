#include "scenery/TomatoClock.h"

#include "platform/Color.h"
#include "scenery/Sprites.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kp {

namespace {

QColor hex(const char* s) { return colorFromHex(s); }

QColor withAlpha(QColor c, double a) {
    c.setAlphaF(static_cast<float>(a));
    return c;
}

// The fixed shapes for the nominal 22 x 20 canvas, built once.
struct Shapes {
    QSizeF size;
    QRectF body;
    QBrush bodyFill;
    QPainterPath ribs;
    QPainterPath sepals;
    QRectF stem;
    QPointF dialCentre;
};

Shapes makeShapes(const QSizeF& size) {
    Shapes s;
    s.size = size;
    const double cx = size.width() / 2;
    const double cy = size.height() / 2 + 1.5;
    s.body = QRectF(cx - 10, cy - 8, 20, 16);
    QLinearGradient g(cx, cy - 8, cx, cy + 8);
    g.setColorAt(0, hex("#F0604F"));
    g.setColorAt(1, hex("#C93B30"));
    s.bodyFill = QBrush(g);
    s.ribs.moveTo(cx - 4.5, cy - 7);
    s.ribs.quadTo(cx - 6.75, cy, cx - 5.175, cy + 6);
    s.ribs.moveTo(cx + 4.5, cy - 7);
    s.ribs.quadTo(cx + 6.75, cy, cx + 5.175, cy + 6);
    for (int i = 0; i < 5; ++i) {
        const double a = (i - 2) * 0.55 - std::numbers::pi / 2;
        s.sepals.moveTo(cx, cy - 8);
        s.sepals.quadTo(cx + 3 * std::cos(a) - 1, cy - 10, cx + 5 * std::cos(a), cy - 8 + 3.2 * std::sin(a) + 2.6);
    }
    s.stem = QRectF(cx - 0.8, cy - 12, 1.6, 4);
    s.dialCentre = QPointF(cx, cy + 1);
    return s;
}

const Shapes& shapesFor(const QSizeF& size) {
    static Shapes nominal = makeShapes(TomatoClock::kSize);
    static Shapes other = makeShapes(TomatoClock::kSize);
    if (size == nominal.size) return nominal;
    if (size != other.size) other = makeShapes(size);
    return other;
}

}  // namespace

double TomatoClock::ringAngle() const { return ringing ? 9 * std::sin(30 * time) : 0; }
double TomatoClock::ringHop() const { return ringing ? -1.5 * std::abs(std::sin(15 * time)) : 0; }

void TomatoClock::draw(QPainter& p, const QSizeF& size, double progress, bool resting) {
    const Shapes& s = shapesFor(size);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    // The tomato and its bare dial never change: a kept picture. The filled share and the hand
    // are drawn over it.
    const std::uint64_t key = 0x544F4D4100000000ull | static_cast<std::uint64_t>(std::lround(size.width() * 16)) << 16 |
                              static_cast<std::uint64_t>(std::lround(size.height() * 16)) << 1 | (resting ? 1 : 0);
    scenery::drawSprite(p, key, QRectF(QPointF(-2, -2), size + QSizeF(4, 4)), [&](QPainter& q) {
        q.setPen(Qt::NoPen);
        q.setBrush(s.bodyFill);
        q.drawEllipse(s.body);

        q.setBrush(Qt::NoBrush);
        q.setPen(QPen(withAlpha(hex("#A8302A"), 0.35), 0.7));
        q.drawPath(s.ribs);

        q.setPen(Qt::NoPen);
        q.setBrush(withAlpha(Qt::white, 0.35));
        q.drawEllipse(QRectF(s.body.center().x() - 7, s.body.center().y() - 6, 4, 3));

        q.setBrush(Qt::NoBrush);
        q.setPen(QPen(hex("#4E9A55"), 1.6, Qt::SolidLine, Qt::RoundCap));
        q.drawPath(s.sepals);

        q.setPen(Qt::NoPen);
        q.setBrush(hex("#3F7A4A"));
        q.drawRoundedRect(s.stem, 0.8, 0.8);

        const QPointF c = s.dialCentre;
        const double r = 4.6;
        q.setBrush(hex(resting ? "#DDF2E3" : "#FFF6EE"));
        q.drawEllipse(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r));
    });

    const QPointF c = s.dialCentre;
    const double r = 4.6;
    const QRectF dial(c.x() - r, c.y() - r, 2 * r, 2 * r);
    p.setPen(Qt::NoPen);
    const double f = std::clamp(progress, 0.0, 1.0);
    if (progress > 0) {
        p.setBrush(withAlpha(hex(resting ? "#8FCB8A" : "#F4A7B4"), 0.7));
        if (f >= 1) {
            p.drawEllipse(dial);
        } else {
            // Qt's pie angles are in 1/16 degree, counter-clockwise from three o'clock.
            p.drawPie(dial, 90 * 16, -static_cast<int>(std::lround(360 * 16 * f)));
        }
    }

    const double h = 2 * std::numbers::pi * progress - std::numbers::pi / 2;
    p.setPen(QPen(hex("#2C2622"), 0.9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, c + QPointF(3.6 * std::cos(h), 3.6 * std::sin(h)));
    p.setPen(Qt::NoPen);
    p.setBrush(hex("#2C2622"));
    p.drawEllipse(c, 0.8, 0.8);
    p.restore();
}

void TomatoClock::paint(QPainter& p) const {
    p.save();
    if (ringing) {
        p.translate(0, ringHop());
        p.translate(kSize.width() / 2, kSize.height());
        p.rotate(ringAngle());
        p.translate(-kSize.width() / 2, -kSize.height());
    }
    draw(p, kSize, progress, resting);
    p.restore();
}

void TomatoClock::paint(QPainter& p, const QRectF& frame) const {
    p.save();
    p.translate(frame.center().x() - kSize.width() / 2, frame.center().y() - kSize.height() / 2);
    paint(p);
    p.restore();
}

}  // namespace kp
