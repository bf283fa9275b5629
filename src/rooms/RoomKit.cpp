#include "rooms/RoomKit.h"

#include <algorithm>

namespace kp {
namespace room {

double sideZoneWidth(double width, double notchWidth) {
    const double notch = std::max(minNotchWidth, notchWidth);
    return std::max(0.0, (width - (notch + 16)) * 0.5 - 12);
}

QRectF leftZone(double width, double notchWidth) {
    return {topBarPadX, topBarPadTop, sideZoneWidth(width, notchWidth), topBarHeight - topBarPadTop};
}

QRectF rightZone(double width, double notchWidth) {
    const double side = sideZoneWidth(width, notchWidth);
    return {width - topBarPadX - side, topBarPadTop, side, topBarHeight - topBarPadTop};
}

QTransform standAt(double x, double floorLine, QSizeF size, double lift, double scale) {
    QTransform m;
    m.translate(x, floorLine - lift);
    m.scale(scale, scale);
    m.translate(-size.width() / 2, -size.height());
    return m;
}

QTransform wallAt(QPointF centre, QSizeF size, double scale) {
    QTransform m;
    m.translate(centre.x(), centre.y());
    m.scale(scale, scale);
    m.translate(-size.width() / 2, -size.height() / 2);
    return m;
}

QTransform hangAt(QPointF centre, QSizeF size, double scale) {
    QTransform m;
    m.translate(centre.x(), centre.y() - size.height() / 2);
    m.scale(scale, scale);
    m.translate(-size.width() / 2, 0);
    return m;
}

QRectF placedRect(const QTransform& place, QSizeF size) {
    return place.mapRect(QRectF(QPointF(0, 0), size));
}

}  // namespace room

RoomHotspot* RoomHotspots::add(const QRectF& area, RoomAction action, bool enabled) {
    if (count_ >= capacity) return nullptr;
    RoomHotspot& s = spots_[static_cast<std::size_t>(count_++)];
    s.area = area;
    s.action = action;
    s.enabled = enabled;
    s.tick = false;
    s.help = nullptr;
    if (!s.helpText.isNull()) s.helpText = QString();
    return &s;
}

void RoomHotspots::mapFrom(int first, const QTransform& m) {
    for (int i = std::max(0, first); i < count_; ++i) {
        RoomHotspot& s = spots_[static_cast<std::size_t>(i)];
        s.area = m.mapRect(s.area);
    }
}

const RoomHotspot* RoomHotspots::at(QPointF point) const {
    for (int i = count_ - 1; i >= 0; --i) {
        const RoomHotspot& s = spots_[static_cast<std::size_t>(i)];
        if (s.area.contains(point)) return &s;
    }
    return nullptr;
}

}  // namespace kp
