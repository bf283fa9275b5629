#include "scenery/Sprites.h"

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

std::unordered_map<std::uint64_t, Entry>& cache() {
    static std::unordered_map<std::uint64_t, Entry> c;
    return c;
}

std::uint64_t slotOf(std::uint64_t key, double scale, const QRectF& bounds) {
    std::uint64_t h = key;
    for (const double v : {scale, bounds.x(), bounds.y(), bounds.width(), bounds.height()}) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        h ^= bits + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    }
    return h;
}

}  // namespace

double spriteScale(const QPainter& p, const QRectF& bounds) {
    const QTransform t = p.deviceTransform();
    const double scale = std::max(std::hypot(t.m11(), t.m12()), std::hypot(t.m21(), t.m22()));
    if (!(scale > 0) || bounds.width() * scale > 1024 || bounds.height() * scale > 1024) return 0;
    return scale;
}

const QImage* keptSprite(std::uint64_t key, double scale, const QRectF& bounds) {
    const auto it = cache().find(slotOf(key, scale, bounds));
    if (it == cache().end() || it->second.key != key || it->second.scale != scale || it->second.bounds != bounds)
        return nullptr;
    return &it->second.image;
}

const QImage& keepSprite(std::uint64_t key, double scale, const QRectF& bounds, QImage image) {
    // Enough for every variant of a scene's pieces; one that saw many more starts over.
    if (cache().size() >= 2000) cache().clear();
    return cache().insert_or_assign(slotOf(key, scale, bounds), Entry{key, scale, bounds, std::move(image)}).first->second.image;
}

QImage blankSprite(double scale, const QRectF& bounds) {
    QImage image(std::max(1, static_cast<int>(std::ceil(bounds.width() * scale))),
                 std::max(1, static_cast<int>(std::ceil(bounds.height() * scale))), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void beginSprite(QPainter& q, double scale, const QRectF& bounds) {
    q.setRenderHint(QPainter::Antialiasing, true);
    q.scale(scale, scale);
    q.translate(-bounds.topLeft());
}

void laySprite(QPainter& p, const QImage& image, const QRectF& bounds, double scale) {
    const QTransform world = p.worldTransform();
    const QTransform t = p.deviceTransform();
    if (t.m12() != 0 || t.m21() != 0 || t.m11() < 0 || t.m22() < 0) {
        const bool smooth = p.testRenderHint(QPainter::SmoothPixmapTransform);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(QRectF(bounds.topLeft(), QSizeF(image.width() / scale, image.height() / scale)), image);
        p.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
        return;
    }
    // Laid down on whole device pixels, pixel for pixel, whatever clips the painter.
    const QPointF at = t.map(bounds.topLeft());
    const double dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    p.setWorldTransform(QTransform(1 / dpr, 0, 0, 1 / dpr, std::round(at.x()) / dpr, std::round(at.y()) / dpr));
    p.drawImage(QPointF(0, 0), image);
    p.setWorldTransform(world);
}

}  // namespace kp::scenery
