#include "rooms/NeedBar.h"

#include "life/PetLife.h"
#include "platform/Color.h"

#include <QPainter>
#include <QPainterPathStroker>

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

namespace {

// The track: a full circle's stroke as a filled band.
const QPainterPath& trackOutline() {
    static const QPainterPath band = [] {
        const double r = needbar::ringRadius;
        const double h = needbar::ringStroke / 2;
        QPainterPath path;
        path.addEllipse(QPointF(0, 0), r + h, r + h);
        path.addEllipse(QPointF(0, 0), r - h, r - h);
        path.setFillRule(Qt::OddEvenFill);
        return path;
    }();
    return band;
}

QPainterPath arcOutline(double share) {
    const double r = needbar::ringRadius;
    const QRectF circle(-r, -r, 2 * r, 2 * r);
    QPainterPath arc;
    // From 12 o'clock, clockwise (Qt's angles run counter-clockwise).
    arc.arcMoveTo(circle, 90);
    arc.arcTo(circle, 90, -share * 360);
    QPainterPathStroker stroker;
    stroker.setWidth(needbar::ringStroke);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(arc).simplified();
}

}  // namespace

const QPainterPath& NeedArcCache::arc(double arcShare) {
    if (arcShare != share) {
        share = arcShare;
        outline = arcOutline(arcShare);
    }
    return outline;
}

void paintNeedRing(QPainter& p, QPointF centre, const NeedRing& ring, NeedArcCache* cache) {
    const QColor color = ring.color();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(centre);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 38));
    p.drawPath(trackOutline());
    p.setBrush(color);
    if (cache) {
        p.drawPath(cache->arc(ring.arcShare()));
    } else {
        p.drawPath(arcOutline(ring.arcShare()));
    }
    p.restore();

    paintChromeIcon(p, ring.icon, centre, needbar::symbolSize, color);
}

void paintNeedRings(QPainter& p, double left, double midY, const std::array<NeedRing, needbar::ringCount>& rings,
                    std::array<NeedArcCache, needbar::ringCount>* caches) {
    using namespace needbar;
    for (int i = 0; i < ringCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double cx = left + i * (ringSize + ringSpacing) + ringSize / 2;
        paintNeedRing(p, QPointF(cx, midY), rings[k], caches ? &(*caches)[k] : nullptr);
    }
}

}  // namespace kp
