#include "scenery/Sprites.h"

#include <algorithm>
#include <array>
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
    std::uint64_t slot = 0;
    mutable std::uint64_t used = 0;  // when last asked for
};

std::uint64_t& uses() {
    static std::uint64_t n = 0;
    return n;
}

// Enough for every variant of the pieces a room shows at once. Past it, the quarter asked for
// longest ago goes (often a room or a season no longer seen), never what the frame lays now.
constexpr std::size_t kKeptCount = 4000;

// Lets the entries of `kept` asked for longest ago go, oldest first, until `enough()`; `gone` is
// told of each before it goes.
template <typename Map, typename Gone, typename Enough>
void letOldestGo(Map& kept, Gone&& gone, Enough&& enough) {
    std::vector<std::pair<std::uint64_t, typename Map::key_type>> byUse;
    byUse.reserve(kept.size());
    for (const auto& [key, entry] : kept) byUse.emplace_back(entry.used, key);
    std::sort(byUse.begin(), byUse.end());
    for (const auto& [used, key] : byUse) {
        if (enough()) break;
        const auto it = kept.find(key);
        gone(it->second);
        kept.erase(it);
    }
}

std::unordered_map<std::uint64_t, Entry>& cache() {
    static std::unordered_map<std::uint64_t, Entry> c;
    return c;
}

// The pictures a frame lays are asked for many times a frame: the last one found in each of a
// couple of thousand places, before the keep is searched (an entry stays where it is until the
// keep lets it go).
constexpr int kRecentBits = 11;
std::array<const Entry*, std::size_t(1) << kRecentBits>& recent() {
    static std::array<const Entry*, std::size_t(1) << kRecentBits> r{};
    return r;
}

// A picture's place among the recent ones, from all of its slot's bits: pictures that differ
// only in their key's high bits (a bauble and its hook, at the same turn) do not share one.
std::size_t recentPlace(std::uint64_t slot) { return std::size_t((slot * 0x9E3779B97F4A7C15ull) >> (64 - kRecentBits)); }

thread_local FilteredDevice* filtered = nullptr;

// Lays `image` with its top-left on the device pixel `at`, pixel for pixel, whatever clips the
// painter.
void layOnPixels(QPainter& p, const QImage& image, QPoint at) {
    const QTransform world = p.worldTransform();
    const double dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    p.setWorldTransform(QTransform(1 / dpr, 0, 0, 1 / dpr, at.x() / dpr, at.y() / dpr));
    drawShown(p, [&] { p.drawImage(QPointF(0, 0), image); });
    p.setWorldTransform(world);
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
    // A turned painter's scale differs in its last bits from angle to angle: rounded, a piece that
    // turns finds its kept picture instead of drawing a new one every frame.
    const double scale = std::ldexp(std::round(std::ldexp(std::max(std::hypot(t.m11(), t.m12()), std::hypot(t.m21(), t.m22())), 24)), -24);
    if (!(scale > 0) || bounds.width() * scale > 1024 || bounds.height() * scale > 1024) return 0;
    return scale;
}

const QImage* keptSprite(std::uint64_t key, double scale, const QRectF& bounds) {
    const std::uint64_t slot = slotOf(key, scale, bounds);
    const Entry*& last = recent()[recentPlace(slot)];
    const Entry* e = last;
    if (!e || e->slot != slot) {
        const auto it = cache().find(slot);
        if (it == cache().end()) return nullptr;
        e = last = &it->second;
    }
    if (e->key != key || e->scale != scale || e->bounds != bounds) return nullptr;
    e->used = ++uses();
    return &e->image;
}

const QImage& keepSprite(std::uint64_t key, double scale, const QRectF& bounds, QImage image) {
    auto& kept = cache();
    if (kept.size() >= kKeptCount) {
        letOldestGo(kept, [](const Entry&) {}, [&] { return kept.size() <= kKeptCount - kKeptCount / 4; });
        recent().fill(nullptr);
    }
    const std::uint64_t slot = slotOf(key, scale, bounds);
    return kept.insert_or_assign(slot, Entry{key, scale, bounds, std::move(image), slot, ++uses()}).first->second.image;
}

namespace {

struct Turned {
    QImage image;
    std::uint64_t used = 0;
};

struct TurnedKeep {
    std::unordered_map<std::uint64_t, Turned> kept;
    std::size_t bytes = 0;
    std::uint64_t clock = 0;
    // Pieces gathered turned lately, by digest, and whether in more than one frame.
    struct Seen {
        std::uint64_t digest = 0;
        bool again = false;
    };
    std::array<Seen, 1024> seen{};
};

TurnedKeep& turnedKeep() {
    static TurnedKeep k;
    return k;
}

// Every step of a room's slow sways, with room to spare at twice the scale.
constexpr std::size_t kTurnedBytes = std::size_t(12) << 20;
constexpr std::size_t kTurnedCount = 4000;

}  // namespace

std::size_t spritesKept() { return cache().size(); }

void dropSprites() {
    recent().fill(nullptr);
    std::unordered_map<std::uint64_t, Entry>().swap(cache());
    turnedKeep() = TurnedKeep();
}

QImage blankSprite(double scale, const QRectF& bounds) {
    QImage image(std::max(1, static_cast<int>(std::ceil(bounds.width() * scale))),
                 std::max(1, static_cast<int>(std::ceil(bounds.height() * scale))), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QRect inkBounds(const QImage& image) {
    if (image.depth() != 32) return image.rect();
    int top = -1, bottom = -1, left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        int l = 0, r = image.width();
        while (l < r && line[l] == 0) ++l;
        if (l == r) continue;
        while (line[r - 1] == 0) --r;
        if (top < 0) top = y;
        bottom = y;
        left = std::min(left, l);
        right = std::max(right, r - 1);
    }
    return top < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

void beginSprite(QPainter& q, double scale, const QRectF& bounds) {
    q.setRenderHint(QPainter::Antialiasing, true);
    q.scale(scale, scale);
    q.translate(-bounds.topLeft());
}

SpriteGatherer* spriteGatherer(const QPainter& p) {
    QPaintDevice* d = p.device();
    if (!d || d->devType() != SpriteGatherer::kDeviceType) return nullptr;
    auto* g = static_cast<SpriteGatherer*>(d);
    return g->gathers() ? g : nullptr;
}

FilteredDevice::FilteredDevice(const QPaintDevice* device, const std::vector<QRect>& rects)
    : device_(device), rects_(rects), outer_(filtered) {
    filtered = this;
}

FilteredDevice::~FilteredDevice() { filtered = outer_; }

void drawShown(QPainter& p, const std::function<void()>& draw) {
    // A room's filtering device clips each draw itself.
    const QPaintDevice* d = p.device();
    const std::vector<QRect>* shown = d && d->devType() != SpriteGatherer::kDeviceType ? spriteFilterRects(p) : nullptr;
    if (!shown) {
        draw();
        return;
    }
    const double dpr = d->devicePixelRatioF();
    for (const QRect& r : *shown) {
        p.save();
        const QTransform world = p.worldTransform();
        p.resetTransform();
        p.setClipRect(QRectF(r.x() / dpr, r.y() / dpr, r.width() / dpr, r.height() / dpr), Qt::IntersectClip);
        p.setWorldTransform(world);
        draw();
        p.restore();
    }
}

const std::vector<QRect>* spriteFilterRects(const QPainter& p) {
    QPaintDevice* d = p.device();
    if (!d) return nullptr;
    if (d->devType() == SpriteGatherer::kDeviceType) return static_cast<const SpriteGatherer*>(d)->filterRects();
    for (const FilteredDevice* f = filtered; f; f = f->outer_)
        if (f->device_ == d) return &f->rects_;
    return nullptr;
}

namespace {

std::uint64_t mixed(std::uint64_t h, std::uint64_t v) {
    h ^= v * 0x9E3779B97F4A7C15ull;
    return (h << 27 | h >> 37) * 0xC2B2AE3D27D4EB4Full;
}

std::uint64_t mixed(std::uint64_t h, double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    return mixed(h, bits);
}

// What a picture laid over `device` (device pixels) on `p` also depends on: its opacity, how it is
// composed and what clips it (which may also cut `device` down).
std::uint64_t layDigest(const QPainter& p, QRectF& device, std::uint64_t h) {
    h = mixed(h, p.opacity());
    h = mixed(h, static_cast<std::uint64_t>(p.compositionMode()));
    if (p.hasClipping()) {
        const QRectF clip = p.deviceTransform().mapRect(p.clipBoundingRect());
        device = device.intersected(clip.adjusted(-1, -1, 1, 1));
        h = mixed(mixed(mixed(mixed(h, clip.left()), clip.top()), clip.right()), clip.bottom());
    }
    return h;
}

}  // namespace

bool gatherSprite(QPainter& p, std::uint64_t key, double scale, const QRectF& bounds) {
    SpriteGatherer* g = spriteGatherer(p);
    if (!g) return false;
    const QTransform t = p.deviceTransform();
    if (t.m12() != 0 || t.m21() != 0 || t.m11() < 0 || t.m22() < 0) return false;
    // Where laySprite() puts the picture: on whole device pixels, its size rounded up.
    const QPointF at = t.map(bounds.topLeft());
    const double x = std::round(at.x()), y = std::round(at.y());
    const double w = std::max(1.0, std::ceil(bounds.width() * scale)), h = std::max(1.0, std::ceil(bounds.height() * scale));
    QRectF device(x - 1, y - 1, w + 2, h + 2);
    std::uint64_t d = mixed(mixed(0x5350524954450000ull, key), scale);
    d = mixed(mixed(mixed(mixed(d, bounds.x()), bounds.y()), bounds.width()), bounds.height());
    d = mixed(mixed(d, x), y);
    d = layDigest(p, device, d);
    if (!device.isEmpty()) g->gatherShape(device, d);
    return true;
}

bool turnedSprite(const QPainter& p, std::uint64_t key, double scale, const QRectF& bounds, TurnedSprite& turned) {
    const QTransform t = p.deviceTransform();
    if ((t.m12() == 0 && t.m21() == 0 && t.m11() >= 0 && t.m22() >= 0) || t.type() == QTransform::TxProject) return false;
    // The picture's corner: its whole device pixel, and its part of one (which the picture holds).
    const QPointF corner = t.map(bounds.topLeft());
    if (!(std::abs(corner.x()) < 1e9 && std::abs(corner.y()) < 1e9)) return false;
    const double wx = std::floor(corner.x()), wy = std::floor(corner.y());
    const double fx = corner.x() - wx, fy = corner.y() - wy;
    const QTransform placed(t.m11(), t.m12(), t.m21(), t.m22(), t.dx() - wx, t.dy() - wy);
    // The upright picture reaches a little past the bounds, to whole pixels; one pixel more each
    // way for the antialiased edge.
    const QRectF box = placed.mapRect(QRectF(bounds.topLeft(), QSizeF(std::max(1.0, std::ceil(bounds.width() * scale)) / scale,
                                                                    std::max(1.0, std::ceil(bounds.height() * scale)) / scale)));
    const double left = std::floor(box.left()) - 1, top = std::floor(box.top()) - 1;
    const double right = std::ceil(box.right()) + 1, bottom = std::ceil(box.bottom()) + 1;
    if (right - left > 2048 || bottom - top > 2048) return false;
    turned.toPicture = placed * QTransform::fromTranslate(-left, -top);
    turned.device = QRect(static_cast<int>(wx + left), static_cast<int>(wy + top), static_cast<int>(right - left),
                          static_cast<int>(bottom - top));
    std::uint64_t d = mixed(mixed(mixed(0x5455524E45440000ull, key), scale), bounds.x());
    d = mixed(mixed(mixed(d, bounds.y()), bounds.width()), bounds.height());
    d = mixed(mixed(mixed(mixed(d, t.m11()), t.m12()), t.m21()), t.m22());
    turned.digest = mixed(mixed(d, fx), fy);
    return true;
}

bool gatherTurned(QPainter& p, const TurnedSprite& turned) {
    SpriteGatherer* g = spriteGatherer(p);
    if (!g) return false;
    // A frame gathers each piece once: one met before was turned this way in an earlier frame.
    TurnedKeep::Seen& seen = turnedKeep().seen[turned.digest % turnedKeep().seen.size()];
    seen.again = seen.digest == turned.digest;
    seen.digest = turned.digest;
    QRectF device(turned.device);
    std::uint64_t d = mixed(mixed(turned.digest, static_cast<std::uint64_t>(turned.device.x())),
                            static_cast<std::uint64_t>(turned.device.y()));
    d = layDigest(p, device, d);
    if (!device.isEmpty()) g->gatherShape(device, d);
    return true;
}

const QImage* keptTurned(const TurnedSprite& turned) {
    TurnedKeep& k = turnedKeep();
    const auto it = k.kept.find(turned.digest);
    if (it == k.kept.end()) return nullptr;
    it->second.used = ++k.clock;
    return &it->second.image;
}

bool turnedAgain(const TurnedSprite& turned) {
    const TurnedKeep::Seen& seen = turnedKeep().seen[turned.digest % turnedKeep().seen.size()];
    return seen.digest == turned.digest && seen.again;
}

const QImage& keepTurned(const TurnedSprite& turned, const QImage& upright, const QRectF& bounds, double scale) {
    // The raster engine's smooth transformed fill, once, as laySprite() lays the upright picture
    // on the turned painter: the same pixels, moved by whole pixels.
    QImage image(turned.device.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter q(&image);
        q.setRenderHint(QPainter::Antialiasing, false);
        q.setRenderHint(QPainter::SmoothPixmapTransform, true);
        q.setTransform(turned.toPicture);
        q.drawImage(QRectF(bounds.topLeft(), QSizeF(upright.width() / scale, upright.height() / scale)), upright);
    }
    TurnedKeep& k = turnedKeep();
    const std::size_t bytes = static_cast<std::size_t>(image.sizeInBytes());
    if (k.bytes + bytes > kTurnedBytes || k.kept.size() >= kTurnedCount) {
        // Full: the half used longest ago goes.
        letOldestGo(
            k.kept, [&](const Turned& t) { k.bytes -= static_cast<std::size_t>(t.image.sizeInBytes()); },
            [&] { return k.bytes + bytes <= kTurnedBytes / 2 && k.kept.size() < kTurnedCount / 2; });
    }
    k.bytes += bytes;
    Turned& entry = k.kept[turned.digest];
    entry.image = std::move(image);
    entry.used = ++k.clock;
    return entry.image;
}

void layTurned(QPainter& p, const QImage& image, const TurnedSprite& turned) {
    layOnPixels(p, image, turned.device.topLeft());
}

std::pair<std::size_t, std::size_t> turnedSpritesKept() {
    const TurnedKeep& k = turnedKeep();
    return {k.kept.size(), k.bytes};
}

void laySprite(QPainter& p, const QImage& image, const QRectF& bounds, double scale) {
    const QTransform t = p.deviceTransform();
    if (t.m12() != 0 || t.m21() != 0 || t.m11() < 0 || t.m22() < 0) {
        const bool smooth = p.testRenderHint(QPainter::SmoothPixmapTransform);
        const bool antialiased = p.testRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        // The smooth fill blends the picture's own edge in; antialiased, each row's edge pixels
        // become runs of their own, and a fill of many runs is split over other threads.
        p.setRenderHint(QPainter::Antialiasing, false);
        p.drawImage(QRectF(bounds.topLeft(), QSizeF(image.width() / scale, image.height() / scale)), image);
        p.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
        p.setRenderHint(QPainter::Antialiasing, antialiased);
        return;
    }
    const QPointF at = t.map(bounds.topLeft());
    layOnPixels(p, image, QPoint(static_cast<int>(std::round(at.x())), static_cast<int>(std::round(at.y()))));
}

bool StripPicture::prepare(QPainter& p, std::uint64_t id, const QRectF& bounds, double stamp) {
    if (painter_.isActive()) painter_.end();
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
    gather_ = spriteGatherer(p);
    if (gather_) {
        // Each piece is told where it is laid; the picture is put together when drawn.
        origin_ = QPointF(std::round(corner.x()), std::round(corner.y()));
        gatherClip_ = QRectF(-1e9, -1e9, 2e9, 2e9);
        gatherDigest_ = layDigest(p, gatherClip_, 0x5354524950000000ull);
        due_ = true;
        part_ = false;
        fill_ = false;
        return true;
    }
    // On a painter that filters, only what it shows of the picture is seen.
    part_ = false;
    if (const std::vector<QRect>* shown = spriteFilterRects(p)) {
        const QPoint origin(static_cast<int>(std::round(corner.x())), static_cast<int>(std::round(corner.y())));
        const QRect picture = k.image.rect();
        parts_.clear();
        for (const QRect& r : *shown)
            if (const QRect in = r.translated(-origin) & picture; !in.isEmpty()) parts_.push_back(in);
        part_ = !(parts_.size() == 1 && parts_[0] == picture);
    }
    if (part_) {
        fill_ = !(k.stamp == stamp) || (!k.whole && k.within != parts_);
        if (fill_) {
            k.stamp = stamp;
            k.whole = false;
            k.within = parts_;
            painter_.begin(&k.image);
            painter_.setCompositionMode(QPainter::CompositionMode_Source);
            for (const QRect& r : parts_) painter_.fillRect(r, Qt::transparent);
            painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
        // A band the painter shows nothing of needs no piece.
        if (parts_.empty()) fill_ = false;
    } else {
        fill_ = !(k.stamp == stamp) || !k.whole;
        if (fill_) {
            k.stamp = stamp;
            k.whole = true;
            k.within.clear();
            k.image.fill(Qt::transparent);
        }
    }
    due_ = fill_;
    return true;
}

bool StripPicture::shows(const QRectF& area) const {
    if (!fill_ || !part_) return true;
    return std::any_of(parts_.begin(), parts_.end(), [&](const QRect& in) {
        return area.left() <= in.right() + 1 && area.right() >= in.left() && area.top() <= in.bottom() + 1 &&
               area.bottom() >= in.top();
    });
}

bool StripPicture::meets(const QRect& r) const {
    return std::any_of(parts_.begin(), parts_.end(), [&](const QRect& in) {
        return r.left() <= in.right() && r.right() >= in.left() && r.top() <= in.bottom() && r.bottom() >= in.top();
    });
}

void StripPicture::blend(const QImage& sprite, QPoint at, double opacity) {
    if (gather_) {
        const QRectF device = QRectF(origin_ + QPointF(at), QSizeF(sprite.size())).adjusted(-1, -1, 1, 1) & gatherClip_;
        const std::uint64_t d = mixed(mixed(mixed(mixed(gatherDigest_, static_cast<std::uint64_t>(sprite.cacheKey())),
                                                  static_cast<std::uint64_t>(at.x())),
                                            static_cast<std::uint64_t>(at.y())),
                                      opacity);
        gatherPiece(device, d);
    }
    if (fill_ && (!part_ || meets(QRect(at, sprite.size())))) put(sprite, at, opacity);
}

void StripPicture::put(const QImage& sprite, QPoint at, double opacity) {
    // Untransformed, on whole pixels and unclipped: the raster engine copies the picture straight.
    if (!painter_.isActive()) painter_.begin(&kept_[current_].image);
    painter_.setOpacity(opacity);
    if (!part_) {
        painter_.drawImage(at, sprite);
        return;
    }
    // Within each shown rectangle alone, as the whole picture would have it there (whole where it
    // lies within one: the quicker copy).
    const int l = at.x(), t = at.y(), r = l + sprite.width() - 1, b = t + sprite.height() - 1;
    for (const QRect& in : parts_) {
        const int l2 = std::max(l, in.left()), t2 = std::max(t, in.top());
        const int r2 = std::min(r, in.right()), b2 = std::min(b, in.bottom());
        if (l2 > r2 || t2 > b2) continue;
        if (l2 == l && t2 == t && r2 == r && b2 == b)
            painter_.drawImage(at, sprite);
        else
            painter_.drawImage(QPoint(l2, t2), sprite, QRect(l2 - l, t2 - t, r2 - l2 + 1, b2 - t2 + 1));
    }
}

void StripPicture::gatherKept(std::uint64_t key, double scale, const QRectF& box, QPoint at, double opacity) {
    const QSizeF size(std::max(1.0, std::ceil(box.width() * scale)), std::max(1.0, std::ceil(box.height() * scale)));
    const QRectF device = QRectF(origin_ + QPointF(at), size).adjusted(-1, -1, 1, 1) & gatherClip_;
    std::uint64_t d = mixed(mixed(mixed(gatherDigest_, key), scale), box.x());
    d = mixed(mixed(mixed(mixed(d, box.y()), box.width()), box.height()), opacity);
    d = mixed(mixed(d, static_cast<std::uint64_t>(at.x())), static_cast<std::uint64_t>(at.y()));
    gatherPiece(device, d);
}

void StripPicture::gatherPiece(const QRectF& device, std::uint64_t digest) {
    if (!device.isEmpty()) gather_->gatherShape(device, digest);
}

void StripPicture::lay(QPainter& p) {
    if (painter_.isActive()) painter_.end();
    if (gather_) {
        gather_ = nullptr;
        return;
    }
    const Kept& k = kept_[current_];
    laySprite(p, k.image, k.bounds, k.scale);
}

}  // namespace kp::scenery
