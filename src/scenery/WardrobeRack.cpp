#include "scenery/WardrobeRack.h"

#include "platform/Color.h"
#include "scenery/CoinGlyphs.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace kp {

namespace {

QColor hex(const char* s) { return colorFromHex(s); }

QColor withAlpha(QColor c, double a) {
    c.setAlphaF(static_cast<float>(a));
    return c;
}

void capsule(QPainter& p, const QRectF& r, const QColor& c) {
    const double radius = std::min(r.width(), r.height()) / 2;
    p.setBrush(c);
    p.drawRoundedRect(r, radius, radius);
}

// Rounded rectangle with its own top and bottom corner radii.
QPainterPath unevenRect(const QRectF& r, double topRadius, double bottomRadius) {
    QPainterPath path;
    path.moveTo(r.left() + topRadius, r.top());
    path.lineTo(r.right() - topRadius, r.top());
    path.arcTo(QRectF(r.right() - 2 * topRadius, r.top(), 2 * topRadius, 2 * topRadius), 90, -90);
    path.lineTo(r.right(), r.bottom() - bottomRadius);
    path.arcTo(QRectF(r.right() - 2 * bottomRadius, r.bottom() - 2 * bottomRadius, 2 * bottomRadius, 2 * bottomRadius),
               0, -90);
    path.lineTo(r.left() + bottomRadius, r.bottom());
    path.arcTo(QRectF(r.left(), r.bottom() - 2 * bottomRadius, 2 * bottomRadius, 2 * bottomRadius), 270, -90);
    path.lineTo(r.left(), r.top() + topRadius);
    path.arcTo(QRectF(r.left(), r.top(), 2 * topRadius, 2 * topRadius), 180, -90);
    path.closeSubpath();
    return path;
}

// The bow's loop: apex at the top middle, base along the bottom edge of its box.
QPainterPath triangle(const QRectF& r) {
    QPainterPath path({r.center().x(), r.top()});
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    return path;
}

void turnAbout(QPainter& p, QPointF pivot, double degrees) {
    p.translate(pivot);
    p.rotate(degrees);
    p.translate(-pivot);
}

void drawRedTop(QPainter& p) {
    // Hangs from (10, 15).
    static const QPainterPath body = unevenRect(QRectF(3, 16, 14, 10), 7, 1);
    p.setBrush(hex("#F7F4F0"));
    p.drawEllipse(QRectF(7.5, 13, 5, 5));
    p.setBrush(hex("#E36B5B"));
    p.drawPath(body);
    capsule(p, QRectF(2.5, 24, 15, 3.5), hex("#C8503F"));
}

void drawLeg(QPainter& p, double left, double top) {
    p.setBrush(hex("#5E9BD6"));
    p.drawRoundedRect(QRectF(left, top, 5, 20), 1.5, 1.5);
    const QColor stripe = withAlpha(hex("#F7F4F0"), 0.85);
    for (int i = 0; i < 3; ++i) p.fillRect(QRectF(left, top + 7.8 + 3.4 * i, 5, 1.4), stripe);
}

void drawStockings(QPainter& p) {
    // Hang from (24, 15); the right leg 3 points lower.
    drawLeg(p, 19, 15);
    drawLeg(p, 24, 18);
    capsule(p, QRectF(19, 15, 10, 4), hex("#5E9BD6"));
}

void drawBow(QPainter& p) {
    // Hangs from (38, 19): loop, knot, loop, overlapping by a point.
    static const QPainterPath loop = triangle(QRectF(-3, -3.5, 6, 7));
    const QColor pink = hex("#F07A93");
    p.setBrush(pink);
    p.save();
    p.translate(34.25, 22.5);
    p.rotate(-90);
    p.drawPath(loop);
    p.restore();
    // Drawn in that order: the right loop lies over the knot's edge as the knot lies over the left.
    p.setBrush(hex("#C94F6B"));
    p.drawEllipse(QRectF(36.25, 20.75, 3.5, 3.5));
    p.setBrush(pink);
    p.save();
    p.translate(41.75, 22.5);
    p.rotate(90);
    p.drawPath(loop);
    p.restore();
}

void drawGiftTag(QPainter& p, double hop) {
    p.save();
    p.translate(37, -2 + hop);
    p.setBrush(hex("#F07A93"));
    p.drawEllipse(QRectF(0, 0, 12, 12));
    // A bold symbol of 6.5 points is about 6.5 points across.
    p.save();
    p.translate(6 - 3.25, 6 - 3.25);
    p.scale(6.5, 6.5);
    p.setBrush(Qt::white);
    p.drawPath(props::giftGlyph());
    p.restore();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 1));
    p.drawEllipse(QRectF(0.5, 0.5, 11, 11));
    p.restore();
}

}  // namespace

double WardrobeRack::sway() const { return 3 * std::sin(1.6 * time); }
double WardrobeRack::tagHop() const { return -2 * std::abs(std::sin(3 * time)); }

void WardrobeRack::paint(QPainter& p) const {
    const double s = sway();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);

    p.setBrush(hex("#6B5344"));
    p.drawRoundedRect(QRectF(1, 8, 46, 6), 2, 2);
    p.setBrush(withAlpha(Qt::white, 0.12));
    p.drawRoundedRect(QRectF(1, 8, 46, 2), 1, 1);
    for (const double x : {10.0, 24.0, 38.0}) capsule(p, QRectF(x - 1.5, 13, 3, 5), hex("#4E3B2E"));

    p.save();
    turnAbout(p, {10, 15}, 0.6 * s);
    drawRedTop(p);
    p.restore();

    p.save();
    turnAbout(p, {24, 15}, -0.4 * s);
    drawStockings(p);
    p.restore();

    p.save();
    turnAbout(p, {38, 19}, s);
    drawBow(p);
    p.restore();

    if (fresh) drawGiftTag(p, tagHop());
    p.restore();
}

void WardrobeRack::paint(QPainter& p, const QRectF& frame) const {
    p.save();
    p.translate(frame.center().x() - kSize.width() / 2, frame.center().y() - kSize.height() / 2);
    paint(p);
    p.restore();
}

}  // namespace kp
