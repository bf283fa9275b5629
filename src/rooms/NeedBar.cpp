#include "rooms/NeedBar.h"

#include "life/PetLife.h"
#include "platform/Color.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace kp {
namespace {

struct RingLook {
    ChromeIcon icon;
    const char* hex;
};

constexpr RingLook kLooks[] = {
    {ChromeIcon::fish, "#E7B15A"},
    {ChromeIcon::heart, "#F0A0B0"},
    {ChromeIcon::bolt, "#7EB6E0"},
    {ChromeIcon::cross, "#6FBF78"},
};

const QColor& warningRed() {
    static const QColor red = colorFromHex("#F4505E");
    return red;
}

const QColor& baseColor(NeedKind kind) {
    static const std::array<QColor, 4> colors = {colorFromHex(kLooks[0].hex), colorFromHex(kLooks[1].hex),
                                                 colorFromHex(kLooks[2].hex), colorFromHex(kLooks[3].hex)};
    return colors[static_cast<std::size_t>(kind)];
}

}  // namespace

double needFraction(double value) {
    if (std::isnan(value)) return 0;
    return std::clamp(value / 100.0, 0.0, 1.0);
}

QColor NeedRing::color() const { return fraction < needbar::lowShare ? warningRed() : baseColor; }

double NeedRing::arcShare() const { return std::max(fraction, needbar::stubShare); }

NeedRing needRing(NeedKind kind, double value) {
    NeedRing ring;
    ring.icon = kLooks[static_cast<std::size_t>(kind)].icon;
    ring.baseColor = baseColor(kind);
    ring.fraction = needFraction(value);
    return ring;
}

std::array<NeedRing, needbar::ringCount> needRings(const PetLife& life) {
    return {needRing(NeedKind::hunger, 100 - life.hunger()), needRing(NeedKind::happiness, life.happiness()),
            needRing(NeedKind::energy, life.energy()), needRing(NeedKind::health, life.health())};
}

void paintNeedRing(QPainter& p, QPointF centre, const NeedRing& ring) {
    using namespace needbar;
    const double r = (ringSize - ringStroke) / 2;
    const QRectF circle(centre.x() - r, centre.y() - r, 2 * r, 2 * r);
    const QColor color = ring.color();

    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);

    QPen track(QColor(255, 255, 255, 38), ringStroke, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    track.setMiterLimit(10);
    p.setPen(track);
    p.drawEllipse(circle);

    // From 12 o'clock, clockwise (Qt's angles run counter-clockwise in 1/16 degrees).
    QPen arc(color, ringStroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(arc);
    const int span = -static_cast<int>(std::lround(ring.arcShare() * 360 * 16));
    p.drawArc(circle, 90 * 16, span);
    p.restore();

    paintChromeIcon(p, ring.icon, centre, symbolSize, color);
}

void paintNeedRings(QPainter& p, double left, double midY, const std::array<NeedRing, needbar::ringCount>& rings) {
    using namespace needbar;
    for (int i = 0; i < ringCount; ++i) {
        const double cx = left + i * (ringSize + ringSpacing) + ringSize / 2;
        paintNeedRing(p, QPointF(cx, midY), rings[static_cast<std::size_t>(i)]);
    }
}

}  // namespace kp
