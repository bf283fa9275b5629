#include "scenery/Sprites.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
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
    if (cache().size() >= 4000) cache().clear();
    return cache().insert_or_assign(slotOf(key, scale, bounds), Entry{key, scale, bounds, std::move(image)}).first->second.image;
}

void dropSprites() { std::unordered_map<std::uint64_t, Entry>().swap(cache()); }

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

bool StripPicture::prepare(QPainter& p, std::uint64_t id, const QRectF& bounds, double stamp) {
    const QTransform t = p.deviceTransform();
    // A band may be as wide as the room at twice its size and more.
    const double scale = std::max(std::hypot(t.m11(), t.m12()), std::hypot(t.m21(), t.m22()));
    if (!(scale > 0) || bounds.width() * scale > 8192 || bounds.height() * scale > 1024) return false;
    if (t.m12() != 0 || t.m21() != 0 || t.m11() < 0 || t.m22() < 0) return false;
    int found = -1;
    for (int i = 0; i < 4; ++i)
        if (kept_[i].id == id && kept_[i].scale == scale && kept_[i].bounds == bounds && !kept_[i].image.isNull()) found = i;
    if (found < 0) {
        found = next_;
        next_ = (next_ + 1) % 4;
        Kept& k = kept_[found];
        k.id = id;
        k.scale = scale;
        k.bounds = bounds;
        k.image = blankSprite(scale, bounds);
        k.stamp = std::numeric_limits<double>::quiet_NaN();
    }
    current_ = found;
    const QPointF corner = t.map(bounds.topLeft());
    offset_ = corner - QPointF(std::round(corner.x()), std::round(corner.y()));
    Kept& k = kept_[found];
    due_ = !(k.stamp == stamp);
    if (due_) {
        k.stamp = stamp;
        k.image.fill(Qt::transparent);
    }
    return true;
}

namespace {

// Each channel of a premultiplied pixel times a / 255, rounded.
quint32 byteMul(quint32 x, quint32 a) {
    quint32 t = (x & 0x00FF00FFu) * a;
    t = ((t + ((t >> 8) & 0x00FF00FFu) + 0x00800080u) >> 8) & 0x00FF00FFu;
    x = ((x >> 8) & 0x00FF00FFu) * a;
    x = (x + ((x >> 8) & 0x00FF00FFu) + 0x00800080u) & 0xFF00FF00u;
    return x | t;
}

}  // namespace

QRect StripPicture::inkOf(const QImage& sprite) {
    // Kept pictures never change once drawn: their ink is looked for once.
    const qint64 key = sprite.cacheKey();
    if (const auto it = ink_.find(key); it != ink_.end()) return it->second;
    if (ink_.size() > 4096) ink_.clear();
    int top = sprite.height(), bottom = -1, left = sprite.width(), right = -1;
    for (int y = 0; y < sprite.height(); ++y) {
        const auto* row = reinterpret_cast<const quint32*>(sprite.constScanLine(y));
        for (int x = 0; x < sprite.width(); ++x) {
            if (row[x] == 0) continue;
            top = std::min(top, y);
            bottom = y;
            left = std::min(left, x);
            right = std::max(right, x);
        }
    }
    const QRect ink = bottom < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
    ink_.emplace(key, ink);
    return ink;
}

void StripPicture::blend(const QImage& sprite, QPoint at, double opacity) {
    QImage& image = kept_[current_].image;
    const auto alpha = static_cast<quint32>(std::clamp(std::lround(opacity * 255), 0L, 255L));
    if (alpha == 0 || sprite.format() != QImage::Format_ARGB32_Premultiplied) return;
    const QRect area = inkOf(sprite).translated(at) & image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* src = reinterpret_cast<const quint32*>(sprite.constScanLine(y - at.y())) + (area.left() - at.x());
        auto* dst = reinterpret_cast<quint32*>(image.scanLine(y)) + area.left();
        for (int x = 0; x < area.width(); ++x) {
            quint32 s = src[x];
            if (s == 0) continue;
            if (alpha < 255) s = byteMul(s, alpha);
            dst[x] = s + byteMul(dst[x], 255 - (s >> 24));
        }
    }
}

void StripPicture::lay(QPainter& p) {
    const Kept& k = kept_[current_];
    laySprite(p, k.image, k.bounds, k.scale);
}

}  // namespace kp::scenery
