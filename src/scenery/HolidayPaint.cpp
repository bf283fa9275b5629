#include "scenery/HolidayPaint.h"

#include "scenery/Sprites.h"

#include <QImage>
#include <QPaintDevice>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>
#include <utility>

namespace kp::props {

QPainterPath& scratchPath(int slot) {
    static std::array<QPainterPath, 4> paths;
    QPainterPath& path = paths[static_cast<std::size_t>(slot) % paths.size()];
    path.clear();
    return path;
}

namespace {

// One radial brush per glow colour, in the drawn ellipse's own box, built once.
const QBrush& glowBrush(QRgb rgb) {
    static std::array<std::pair<QRgb, QBrush>, 24> cache;
    static std::size_t used = 0;
    for (std::size_t i = 0; i < used; ++i)
        if (cache[i].first == rgb) return cache[i].second;
    QRadialGradient g(0.5, 0.5, 0.5);
    g.setCoordinateMode(QGradient::ObjectMode);
    const QColor c = QColor::fromRgb(rgb);
    g.setColorAt(0.0, faded(c, 0.9));
    g.setColorAt(0.45, faded(c, 0.6));
    g.setColorAt(0.75, faded(c, 0.2));
    g.setColorAt(1.0, faded(c, 0.0));
    const std::size_t slot = used < cache.size() ? used++ : cache.size() - 1;
    cache[slot] = {rgb, QBrush(g)};
    return cache[slot].second;
}

}  // namespace

void drawGlow(QPainter& p, const QRectF& bounds, const QColor& color, double opacity, double radius) {
    if (opacity <= 0 || radius <= 0) return;
    const double spread = 1.4 * radius;
    const QRectF r = bounds.adjusted(-spread, -spread, spread, spread);
    const double old = p.opacity();
    p.setOpacity(old * (opacity > 1 ? 1 : opacity));
    p.setPen(Qt::NoPen);
    p.setBrush(glowBrush(color.rgb()));
    p.drawEllipse(r);
    p.setOpacity(old);
}

void drawCachedArt(QPainter& p, int key, const QRectF& bounds, const std::function<void(QPainter&)>& draw) {
    const QTransform t = p.deviceTransform();
    const double sx = t.m11(), sy = t.m22();
    if (t.m12() != 0 || t.m21() != 0 || sx <= 0 || sy <= 0 || bounds.width() * sx > 4096 ||
        bounds.height() * sy > 4096) {
        draw(p);
        return;
    }
    struct Entry {
        int key = -1;
        double sx = 0, sy = 0;
        QRectF bounds;
        QImage image;
    };
    static std::array<Entry, 8> cache;
    static std::size_t next = 0;
    const Entry* hit = nullptr;
    for (const Entry& e : cache)
        if (e.key == key && e.bounds == bounds && std::abs(e.sx - sx) < 1e-6 && std::abs(e.sy - sy) < 1e-6) hit = &e;
    if (hit == nullptr) {
        Entry& e = cache[next];
        next = (next + 1) % cache.size();
        QImage image(static_cast<int>(std::ceil(bounds.width() * sx)), static_cast<int>(std::ceil(bounds.height() * sy)),
                     QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter ip(&image);
            ip.setRenderHint(QPainter::Antialiasing, true);
            ip.scale(sx, sy);
            ip.translate(-bounds.topLeft());
            draw(ip);
        }
        e = Entry{key, sx, sy, bounds, std::move(image)};
        hit = &e;
    }
    p.drawImage(QRectF(bounds.topLeft(), QSizeF(hit->image.width() / sx, hit->image.height() / sy)), hit->image);
}

void paintAsLayer(QPainter& p, double opacity, const std::function<void(QPainter&)>& draw, const QRectF& reach) {
    QPaintDevice* device = p.device();
    if (opacity >= 1 || device == nullptr) {
        draw(p);
        return;
    }
    // A room that gathers where its pieces lie learns each of them, faded: told as one picture of
    // the layer, a change anywhere in it would be a change over all of it.
    if (scenery::spriteGatherer(p)) {
        const double was = p.opacity();
        p.setOpacity(was * std::max(opacity, 0.0));
        draw(p);
        p.setOpacity(was);
        return;
    }
    static QImage buffer;
    const double dpr = device->devicePixelRatioF();
    // An image's size is already in pixels; a window's is in points.
    const QSize pixels = device->devType() == QInternal::Image
                             ? static_cast<QImage*>(device)->size()
                             : QSize(static_cast<int>(std::ceil(device->width() * dpr)),
                                     static_cast<int>(std::ceil(device->height() * dpr)));
    // Only as much of the layer as can be seen: within the painter's clip, or the rectangles a
    // room's filtering painter shows.
    QRect area(QPoint(0, 0), pixels);
    if (p.hasClipping())
        area &= p.deviceTransform().mapRect(p.clipBoundingRect()).toAlignedRect().adjusted(-1, -1, 1, 1);
    if (!reach.isEmpty()) area &= p.deviceTransform().mapRect(reach).toAlignedRect().adjusted(-1, -1, 1, 1);
    const std::vector<QRect>* shown = scenery::spriteFilterRects(p);
    std::vector<QRect> seen;  // what the room shows, on the layer's pixels
    if (shown) {
        QRect within;
        for (const QRect& r : *shown) within |= r;
        area &= within;
        for (const QRect& r : *shown)
            if (const QRect in = r & area; !in.isEmpty()) seen.push_back(in.translated(-area.topLeft()));
    }
    if (area.isEmpty()) return;
    // Grown, never shrunk: the area changes from frame to frame.
    if (buffer.width() < area.width() || buffer.height() < area.height())
        buffer = QImage(area.size().expandedTo(buffer.size()), QImage::Format_ARGB32_Premultiplied);
    buffer.setDevicePixelRatio(dpr);
    // Shown apart, the rectangles may lie far from each other across the room: the layer is
    // cleared, and its pictures put together, within them alone, as only they are laid.
    if (shown) {
        for (const QRect& r : seen)
            for (int y = r.top(); y <= r.bottom(); ++y)
                std::memset(buffer.scanLine(y) + std::size_t(r.left()) * 4, 0, std::size_t(r.width()) * 4);
    } else {
        for (int y = 0; y < area.height(); ++y) std::memset(buffer.scanLine(y), 0, std::size_t(area.width()) * 4);
    }
    {
        QPainter layer(&buffer);
        std::optional<scenery::FilteredDevice> only;
        if (shown) only.emplace(&buffer, seen);
        layer.setRenderHints(p.renderHints());
        layer.setWorldTransform(p.worldTransform() * QTransform::fromTranslate(-area.x() / dpr, -area.y() / dpr));
        draw(layer);
    }
    p.save();
    p.resetTransform();
    p.setOpacity(p.opacity() * std::max(opacity, 0.0));
    p.drawImage(QPointF(area.topLeft()) / dpr, buffer, QRectF(QPointF(0, 0), QSizeF(area.size())));
    p.restore();
}

}  // namespace kp::props
