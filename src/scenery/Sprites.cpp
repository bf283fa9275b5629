#include "scenery/Sprites.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace kp::scenery {

namespace {

struct Entry {
    std::uint64_t key = 0;
    double scale = 0;
    QRectF bounds;
    QImage image;
};

std::uint64_t mixed(std::uint64_t h, double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    h ^= bits + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    return h;
}

}  // namespace

void drawSprite(QPainter& p, std::uint64_t key, const QRectF& bounds, const std::function<void(QPainter&)>& draw) {
    const QTransform t = p.deviceTransform();
    const double scale = std::max(std::hypot(t.m11(), t.m12()), std::hypot(t.m21(), t.m22()));
    if (!(scale > 0) || bounds.width() * scale > 1024 || bounds.height() * scale > 1024) {
        draw(p);
        return;
    }
    static std::unordered_map<std::uint64_t, Entry> cache;
    std::uint64_t slot = key;
    for (const double v : {scale, bounds.x(), bounds.y(), bounds.width(), bounds.height()}) slot = mixed(slot, v);
    auto it = cache.find(slot);
    if (it == cache.end() || it->second.key != key || it->second.scale != scale || it->second.bounds != bounds) {
        // Enough for every variant of a scene's pieces; one that saw many more starts over.
        if (cache.size() >= 2000) cache.clear();
        QImage image(std::max(1, static_cast<int>(std::ceil(bounds.width() * scale))),
                     std::max(1, static_cast<int>(std::ceil(bounds.height() * scale))),
                     QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter ip(&image);
            ip.setRenderHint(QPainter::Antialiasing, true);
            ip.scale(scale, scale);
            ip.translate(-bounds.topLeft());
            draw(ip);
        }
        it = cache.insert_or_assign(slot, Entry{key, scale, bounds, std::move(image)}).first;
    }
    const QImage& image = it->second.image;
    p.save();
    if (t.m12() != 0 || t.m21() != 0 || t.m11() < 0 || t.m22() < 0) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(QRectF(bounds.topLeft(), QSizeF(image.width() / scale, image.height() / scale)), image);
    } else {
        // Laid down on whole device pixels, pixel for pixel, whatever clips the painter.
        const QPointF at = t.map(bounds.topLeft());
        const double dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
        p.setWorldTransform(QTransform(1 / dpr, 0, 0, 1 / dpr, std::round(at.x()) / dpr, std::round(at.y()) / dpr));
        p.drawImage(QPointF(0, 0), image);
    }
    p.restore();
}

}  // namespace kp::scenery
