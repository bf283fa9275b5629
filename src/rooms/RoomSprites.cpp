#include "rooms/RoomSprites.h"

#include "scenery/SceneryKit.h"
#include "scenery/Sprites.h"

#include <QGradient>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <tuple>

namespace kp {

namespace {

// A digest of what a shape draws over the values that decide its pixels, mixed a word at a time:
// every moving piece is digested each frame.
class Digest {
public:
    void bytes(const void* data, std::size_t size) {
        const auto* b = static_cast<const unsigned char*>(data);
        std::size_t i = 0;
        for (; i + 8 <= size; i += 8) {
            std::uint64_t w;
            std::memcpy(&w, b + i, 8);
            word(w);
        }
        if (i < size) {
            std::uint64_t w = size - i;
            std::memcpy(&w, b + i, size - i);
            word(w ^ 0xA5A5000000000000ull);
        }
    }
    void number(double v) {
        std::uint64_t w;
        std::memcpy(&w, &v, sizeof w);
        word(w);
    }
    void number(std::uint64_t v) { word(v); }
    void point(QPointF p) {
        number(p.x());
        number(p.y());
    }
    void rect(const QRectF& r) {
        point(r.topLeft());
        point(r.bottomRight());
    }
    void colour(const QColor& c) { number(static_cast<std::uint64_t>(c.rgba64())); }
    std::uint64_t value() const {
        std::uint64_t h = h_;
        h ^= h >> 33;
        h *= 0xFF51AFD7ED558CCDull;
        h ^= h >> 33;
        return h;
    }

private:
    void word(std::uint64_t w) {
        h_ ^= w * 0x9E3779B97F4A7C15ull;
        h_ = (h_ << 27 | h_ >> 37) * 0xC2B2AE3D27D4EB4Full;
    }
    std::uint64_t h_ = 1469598103934665603ull;
};

void brushDigest(Digest& d, const QBrush& b) {
    d.number(static_cast<std::uint64_t>(b.style()));
    d.colour(b.color());
    if (const QGradient* g = b.gradient()) {
        d.number(static_cast<std::uint64_t>(g->type()));
        for (const QGradientStop& s : g->stops()) {
            d.number(s.first);
            d.colour(s.second);
        }
        if (g->type() == QGradient::LinearGradient) {
            const auto* l = static_cast<const QLinearGradient*>(g);
            d.point(l->start());
            d.point(l->finalStop());
        } else if (g->type() == QGradient::RadialGradient) {
            const auto* r = static_cast<const QRadialGradient*>(g);
            d.point(r->center());
            d.point(r->focalPoint());
            d.number(r->radius());
        }
    }
    if (b.style() == Qt::TexturePattern) d.number(static_cast<std::uint64_t>(b.textureImage().cacheKey()));
    const QTransform& t = b.transform();
    d.number(t.m11()), d.number(t.m12()), d.number(t.m21()), d.number(t.m22()), d.number(t.dx()), d.number(t.dy());
}

bool isRect(const QPainterPath& path, QRectF* rect) {
    const int n = path.elementCount();
    if (n < 4 || n > 5) return false;
    const QRectF b = path.controlPointRect();
    for (int i = 0; i < n; ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isCurveTo()) return false;
        if ((e.x != b.left() && e.x != b.right()) || (e.y != b.top() && e.y != b.bottom())) return false;
    }
    *rect = b;
    return true;
}

}  // namespace

// Takes every drawing call: while gathering it hands on its bounds (device pixels) and digest;
// while filtering it draws on the real painter the shapes that meet the damage.
class RoomSprites::Engine final : public QPaintEngine {
public:
    explicit Engine(RoomSprites& sprites) : QPaintEngine(QPaintEngine::AllFeatures), sprites_(sprites) {}

    void startGather() {
        target_ = nullptr;
        reset();
    }
    void startFilter(QPainter& target, const QRegion& damage) {
        target_ = &target;
        // The damage as the rectangles it was made of: its bands' pieces one above the other
        // joined again.
        rects_.clear();
        for (const QRect& r : damage) {
            auto above = std::find_if(rects_.begin(), rects_.end(), [&](const QRect& b) {
                return b.left() == r.left() && b.right() == r.right() && b.bottom() + 1 == r.top();
            });
            if (above != rects_.end())
                above->setBottom(r.bottom());
            else
                rects_.push_back(r);
        }
        reset();
    }
    void stop() { target_ = nullptr; }
    bool gathering() const { return !target_; }
    const std::vector<QRect>& rects() const { return rects_; }

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& s) override {
        const QPaintEngine::DirtyFlags f = s.state();
        if (f & DirtyTransform) m_ = s.transform();
        if (f & DirtyPen) pen_ = s.pen();
        if (f & DirtyBrush) brush_ = s.brush();
        if (f & DirtyBrushOrigin) brushOrigin_ = s.brushOrigin();
        if (f & DirtyOpacity) opacity_ = s.opacity();
        if (f & DirtyHints) hints_ = s.renderHints();
        if (f & DirtyCompositionMode) mode_ = s.compositionMode();
        if (f & DirtyFont) font_ = s.font();
        if (f & DirtyClipEnabled) clipOn_ = s.isClipEnabled();
        if (f & DirtyClipRegion) {
            QPainterPath path;
            path.addRegion(s.clipRegion());
            clip(s.clipOperation(), m_.map(path));
        }
        if (f & DirtyClipPath) clip(s.clipOperation(), m_.map(s.clipPath()));
        if (f & (DirtyClipRegion | DirtyClipPath | DirtyClipEnabled)) clipDirty_ = true;
        dirty_ |= f;
    }

    void drawPath(const QPainterPath& path) override {
        if (!shape(path.controlPointRect(), Ink::fill, [&](Digest& d) {
                for (int i = 0, n = path.elementCount(); i < n; ++i) {
                    const QPainterPath::Element e = path.elementAt(i);
                    d.point(QPointF(e.x, e.y));
                    d.number(static_cast<std::uint64_t>(e.type));
                }
                d.number(static_cast<std::uint64_t>(path.fillRule()));
            }))
            return;
        each([&] { target_->drawPath(path); });
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        if (count <= 0) return;
        double x0 = points[0].x(), x1 = x0, y0 = points[0].y(), y1 = y0;
        for (int i = 1; i < count; ++i) {
            x0 = std::min(x0, points[i].x()), x1 = std::max(x1, points[i].x());
            y0 = std::min(y0, points[i].y()), y1 = std::max(y1, points[i].y());
        }
        if (!shape(QRectF(QPointF(x0, y0), QPointF(x1, y1)), mode == PolylineMode ? Ink::line : Ink::fill, [&](Digest& d) {
                d.number(static_cast<std::uint64_t>(mode));
                d.bytes(points, sizeof(QPointF) * static_cast<std::size_t>(count));
            }))
            return;
        each([&] {
            switch (mode) {
            case OddEvenMode: target_->drawPolygon(points, count, Qt::OddEvenFill); break;
            case WindingMode: target_->drawPolygon(points, count, Qt::WindingFill); break;
            case ConvexMode: target_->drawConvexPolygon(points, count); break;
            case PolylineMode: target_->drawPolyline(points, count); break;
            }
        });
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override {
        QPolygonF poly;
        poly.reserve(count);
        for (int i = 0; i < count; ++i) poly.append(QPointF(points[i]));
        drawPolygon(poly.constData(), count, mode);
    }
    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i)
            if (shape(rects[i].normalized(), Ink::fill, [&](Digest& d) { d.rect(rects[i]); })) each([&] { target_->drawRect(rects[i]); });
    }
    void drawRects(const QRect* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            const QRectF r(rects[i]);
            drawRects(&r, 1);
        }
    }
    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i)
            if (shape(QRectF(lines[i].p1(), lines[i].p2()).normalized(), Ink::line, [&](Digest& d) {
                    d.point(lines[i].p1());
                    d.point(lines[i].p2());
                }))
                each([&] { target_->drawLine(lines[i]); });
    }
    void drawLines(const QLine* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            const QLineF l(lines[i]);
            drawLines(&l, 1);
        }
    }
    void drawEllipse(const QRectF& r) override {
        if (shape(r.normalized(), Ink::fill, [&](Digest& d) { d.rect(r); })) each([&] { target_->drawEllipse(r); });
    }
    void drawEllipse(const QRect& r) override { drawEllipse(QRectF(r)); }
    void drawPoints(const QPointF* points, int count) override {
        for (int i = 0; i < count; ++i)
            if (shape(QRectF(points[i], QSizeF(0, 0)), Ink::line, [&](Digest& d) { d.point(points[i]); }))
                each([&] { target_->drawPoint(points[i]); });
    }
    void drawPoints(const QPoint* points, int count) override {
        for (int i = 0; i < count; ++i) {
            const QPointF p(points[i]);
            drawPoints(&p, 1);
        }
    }
    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override {
        if (image(r, static_cast<std::uint64_t>(pm.cacheKey()), sr)) each([&] { target_->drawPixmap(r, pm, sr); });
    }
    void drawTiledPixmap(const QRectF& r, const QPixmap& pm, const QPointF& p) override {
        if (image(r, static_cast<std::uint64_t>(pm.cacheKey()), QRectF(p, QSizeF(0, 0))))
            each([&] { target_->drawTiledPixmap(r, pm, p); });
    }
    void drawImage(const QRectF& r, const QImage& img, const QRectF& sr, Qt::ImageConversionFlags flags) override {
        if (image(r, static_cast<std::uint64_t>(img.cacheKey()), sr)) each([&] { target_->drawImage(r, img, sr, flags); });
    }
    void drawTextItem(const QPointF& p, const QTextItem& ti) override {
        const QRectF r(p.x() - 2, p.y() - ti.ascent() - 2, ti.width() + 4, ti.ascent() + ti.descent() + 4);
        if (!shape(r, Ink::solid, [&](Digest& d) {
                brushDigest(d, pen_.brush());
                const QString text = ti.text();
                d.bytes(text.constData(), sizeof(QChar) * static_cast<std::size_t>(text.size()));
                d.number(static_cast<std::uint64_t>(qHash(ti.font().key())));
                d.point(p);
            }))
            return;
        each([&] { target_->drawTextItem(p, ti); });
    }

private:
    void reset() {
        m_ = QTransform();
        pen_ = QPen();
        brush_ = QBrush();
        brushOrigin_ = QPointF();
        opacity_ = 1;
        hints_ = {};
        mode_ = QPainter::CompositionMode_SourceOver;
        font_ = QFont();
        clipOn_ = false;
        clipKind_ = ClipKind::none;
        clipDirty_ = true;
        clippedTo_ = QRect();
        dirty_ = AllDirty;
    }

    enum class ClipKind : std::uint8_t { none, rect, path };

    // Keeps the clip in device pixels: a rectangle while every clip so far was one.
    void clip(Qt::ClipOperation op, const QPainterPath& device) {
        if (op == Qt::NoClip) {
            clipKind_ = ClipKind::none;
            return;
        }
        QRectF r;
        const bool rect = isRect(device, &r);
        if (op == Qt::ReplaceClip || clipKind_ == ClipKind::none) {
            clipKind_ = rect ? ClipKind::rect : ClipKind::path;
            clipRect_ = r;
            clipPath_ = rect ? QPainterPath() : device;
            return;
        }
        if (clipKind_ == ClipKind::rect && rect) {
            clipRect_ = clipRect_.intersected(r);
            return;
        }
        QPainterPath was;
        if (clipKind_ == ClipKind::rect)
            was.addRect(clipRect_);
        else
            was = clipPath_;
        clipPath_ = was.intersected(device);
        clipKind_ = ClipKind::path;
    }

    bool clipped() const { return clipOn_ && clipKind_ != ClipKind::none; }
    QRectF clipBounds() const { return clipKind_ == ClipKind::rect ? clipRect_ : clipPath_.controlPointRect(); }

    // A shape over `local`: while gathering adds it and answers false; while filtering answers
    // whether it meets the damage (the real painter then carries this shape's state).
    // How a shape puts ink down: filled with the brush and outlined with the pen, along a line with
    // the pen only, or whole (an image, text) whatever the pen and brush.
    enum class Ink : std::uint8_t { fill, line, solid };

    template <typename Describe>
    bool shape(const QRectF& local, Ink ink, Describe&& describe) {
        QRectF r = m_.mapRect(local);
        if (ink == Ink::solid) {
            r.adjust(-1, -1, 1, 1);
        } else if (pen_.style() != Qt::NoPen) {
            const double scale =
                std::max(std::abs(m_.m11()) + std::abs(m_.m21()), std::abs(m_.m12()) + std::abs(m_.m22()));
            double width = pen_.widthF();
            width = (width <= 0 || pen_.isCosmetic()) ? std::max(1.0, width) : width * scale;
            const double reach = pen_.joinStyle() == Qt::MiterJoin ? std::max(1.0, pen_.miterLimit()) : 1.5;
            const double grow = width * reach / 2 + 1;
            r = QRectF(QPointF(r.left() - grow, r.top() - grow), QPointF(r.right() + grow, r.bottom() + grow));
        } else if (ink == Ink::line || brush_.style() == Qt::NoBrush) {
            return false;
        }
        if (clipped()) r = r.intersected(clipBounds().adjusted(-1, -1, 1, 1));
        if (r.isEmpty()) return false;
        if (!target_) {
            Digest d;
            d.number(m_.m11()), d.number(m_.m12()), d.number(m_.m21()), d.number(m_.m22()), d.number(m_.dx()),
                d.number(m_.dy());
            d.number(static_cast<std::uint64_t>(pen_.style()) << 4 | static_cast<std::uint64_t>(ink));
            if (pen_.style() != Qt::NoPen) {
                d.number(pen_.widthF());
                d.number(static_cast<std::uint64_t>(pen_.capStyle() << 8 | pen_.joinStyle()));
                brushDigest(d, pen_.brush());
            }
            brushDigest(d, brush_);
            d.point(brushOrigin_);
            d.number(opacity_);
            d.number(static_cast<std::uint64_t>(mode_));
            if (clipped()) d.rect(clipBounds());
            describe(d);
            sprites_.add(r, d.value());
            return false;
        }
        const QRect px(QPoint(static_cast<int>(std::floor(r.left())), static_cast<int>(std::floor(r.top()))),
                       QPoint(static_cast<int>(std::ceil(r.right())), static_cast<int>(std::ceil(r.bottom()))));
        // The damage's rectangles the shape meets: it is drawn within each alone, so that the
        // real painter clips to one rectangle, its quickest clip, never to the whole damage.
        meets_.clear();
        for (const QRect& d : rects_)
            if (d.intersects(px)) meets_.push_back(d);
        if (meets_.empty()) return false;
        sync();
        return true;
    }

    // Draws the shape once within each damage rectangle it meets (they do not overlap).
    template <typename Draw>
    void each(Draw&& draw) {
        for (const QRect& d : meets_) {
            clipTo(d);
            draw();
        }
    }

    void clipTo(const QRect& d) {
        if (d == clippedTo_ && !clipDirty_) return;
        QPainter& t = *target_;
        t.setTransform(QTransform());
        t.setClipRect(d);
        if (clipped()) {
            if (clipKind_ == ClipKind::rect)
                t.setClipRect(clipRect_, Qt::IntersectClip);
            else
                t.setClipPath(clipPath_, Qt::IntersectClip);
        }
        t.setTransform(m_);
        clippedTo_ = d;
        clipDirty_ = false;
    }

    bool image(const QRectF& r, std::uint64_t key, const QRectF& source) {
        return shape(r, Ink::solid, [&](Digest& d) {
            d.rect(r);
            d.rect(source);
            d.number(key);
        });
    }

    // Brings the real painter to this engine's state (only what changed since the last shape).
    void sync() {
        QPainter& t = *target_;
        if (clipDirty_) clippedTo_ = QRect();
        if (dirty_ & DirtyTransform) t.setTransform(m_);
        if (dirty_ & DirtyPen) t.setPen(pen_);
        if (dirty_ & DirtyBrush) t.setBrush(brush_);
        if (dirty_ & DirtyBrushOrigin) t.setBrushOrigin(brushOrigin_);
        if (dirty_ & DirtyOpacity) t.setOpacity(opacity_);
        if (dirty_ & DirtyHints) {
            t.setRenderHints(QPainter::RenderHints::fromInt(~hints_.toInt()), false);
            t.setRenderHints(hints_, true);
        }
        if (dirty_ & DirtyCompositionMode) t.setCompositionMode(mode_);
        if (dirty_ & DirtyFont) t.setFont(font_);
        dirty_ = {};
    }

    RoomSprites& sprites_;
    QPainter* target_ = nullptr;
    std::vector<QRect> rects_;  // the damage, in rectangles that do not overlap
    std::vector<QRect> meets_;
    QRect clippedTo_;  // the damage rectangle the real painter is clipped to
    QTransform m_;
    QPen pen_;
    QBrush brush_;
    QPointF brushOrigin_;
    double opacity_ = 1;
    QPainter::RenderHints hints_;
    QPainter::CompositionMode mode_ = QPainter::CompositionMode_SourceOver;
    QFont font_;
    bool clipOn_ = false;
    ClipKind clipKind_ = ClipKind::none;
    QRectF clipRect_;
    QPainterPath clipPath_;
    bool clipDirty_ = true;
    QPaintEngine::DirtyFlags dirty_ = AllDirty;
};

class RoomSprites::Device final : public scenery::SpriteGatherer {
public:
    explicit Device(RoomSprites& sprites) : engine_(sprites), sprites_(sprites) {}
    QPaintEngine* paintEngine() const override { return &engine_; }
    bool gathers() const override { return engine_.isActive() && engine_.gathering(); }
    void gatherShape(const QRectF& deviceBounds, std::uint64_t digest) override { sprites_.add(deviceBounds, digest); }
    const std::vector<QRect>* filterRects() const override {
        return engine_.isActive() && !engine_.gathering() ? &engine_.rects() : nullptr;
    }
    Engine& engine() { return engine_; }
    void setPixels(QSize pixels) { pixels_ = pixels.expandedTo(QSize(1, 1)); }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth: return pixels_.width();
        case PdmHeight: return pixels_.height();
        case PdmWidthMM: return pixels_.width() * 254 / 960;
        case PdmHeightMM: return pixels_.height() * 254 / 960;
        case PdmNumColors: return 0x7fffffff;
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    mutable Engine engine_;
    RoomSprites& sprites_;
    QSize pixels_{1, 1};
};

RoomSprites::RoomSprites() : device_(std::make_unique<Device>(*this)) {}

RoomSprites::~RoomSprites() {
    if (painter_.isActive()) painter_.end();
}

QPainter& RoomSprites::gather(double scale, QSize pixels) {
    if (painter_.isActive()) painter_.end();
    shapes_.clear();
    device_->setPixels(pixels);
    device_->engine().startGather();
    painter_.begin(device_.get());
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.scale(scale, scale);
    return painter_;
}

void RoomSprites::add(const QRectF& deviceBounds, std::uint64_t digest) {
    // What looks the same in every frame is drawn again only under what moves.
    if (scenery::StillDrawing::active()) return;
    const QRectF r = deviceBounds.normalized();
    if (r.isEmpty() || !std::isfinite(r.left()) || !std::isfinite(r.right()) || !std::isfinite(r.top()) ||
        !std::isfinite(r.bottom()))
        return;
    shapes_.push_back({r, digest});
}

namespace {

// The most rectangles the damage is made of, and how many device pixels drawn again for nothing
// a rectangle saves: about what laying each shape within one more rectangle costs. Far apart
// changes (a garland's baubles, a window's clouds, a tree's lights) are then not joined into one
// large rectangle that is mostly still.
constexpr std::size_t kMostRects = 64;
constexpr double kRectCost = 2000;

bool ordered(const RoomSprites::Piece& a, const RoomSprites::Piece& b) {
    if (a.digest != b.digest) return a.digest < b.digest;
    const QRect &r = a.rect, &q = b.rect;
    return std::tuple(r.x(), r.y(), r.width(), r.height()) < std::tuple(q.x(), q.y(), q.width(), q.height());
}

}  // namespace

const std::vector<RoomSprites::Piece>& RoomSprites::endGather() {
    if (painter_.isActive()) painter_.end();
    pieces_.clear();
    for (const Shape& s : shapes_) {
        const QRectF r = s.rect.intersected(QRectF(-4096, -4096, 1 << 14, 1 << 14));
        if (r.isEmpty()) continue;
        pieces_.push_back({QRect(QPoint(static_cast<int>(std::floor(r.left())) - 1, static_cast<int>(std::floor(r.top())) - 1),
                                 QPoint(static_cast<int>(std::ceil(r.right())), static_cast<int>(std::ceil(r.bottom())))),
                           s.digest});
    }
    return pieces_;
}


QRegion RoomSprites::damage(const std::vector<Piece>& now, const std::vector<Piece>& before) {
    // Every shape is compared alone: a shape that did not change is drawn again only where one
    // that did lies over or under it, not wherever its neighbours reach.
    std::vector<QRect> changed;
    if (now.size() == before.size()) {
        // A frame draws its pieces in the order the last one did: one that differs from the piece
        // in its place changed, where it is and where it was.
        for (std::size_t k = 0; k < now.size(); ++k)
            if (!(now[k] == before[k])) {
                changed.push_back(now[k].rect);
                changed.push_back(before[k].rect);
            }
    } else {
        // Pieces came or went: each is looked for among the others, in order.
        std::vector<Piece> a = now, b = before;
        std::sort(a.begin(), a.end(), ordered);
        std::sort(b.begin(), b.end(), ordered);
        std::size_t i = 0, j = 0;
        while (i < a.size() || j < b.size()) {
            if (j == b.size() || (i < a.size() && ordered(a[i], b[j])))
                changed.push_back(a[i++].rect);
            else if (i == a.size() || ordered(b[j], a[i]))
                changed.push_back(b[j++].rect);
            else
                ++i, ++j;
        }
    }
    // A shape that changed in place is there twice.
    std::sort(changed.begin(), changed.end(), [](const QRect& r, const QRect& q) {
        return std::tuple(r.left(), r.top(), r.width(), r.height()) < std::tuple(q.left(), q.top(), q.width(), q.height());
    });
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    // From left to right, each joins the rectangle it adds least to when that adds less than it
    // covers itself and what a rectangle of its own costs, or when there are already enough.
    const auto area = [](const QRect& r) { return static_cast<double>(r.width()) * r.height(); };
    std::vector<QRect> joined;
    for (const QRect& r : changed) {
        std::size_t best = 0;
        double least = -1;
        for (std::size_t k = 0; k < joined.size(); ++k) {
            const double extra = area(joined[k] | r) - area(joined[k]);
            if (least < 0 || extra < least) least = extra, best = k;
        }
        if (joined.empty() || (joined.size() < kMostRects && least > area(r) + kRectCost))
            joined.push_back(r);
        else
            joined[best] |= r;
    }
    // As one region, whose rectangles never overlap, so that each is drawn within alone (see
    // filter()). Rectangles that overlap are not joined into their bounds: a light over the lawn
    // would otherwise join the lawn's band to the garland's above it, and all between.
    QRegion region;
    for (const QRect& r : joined) region += r;
    return region;
}

QPainter& RoomSprites::filter(QPainter& target, const QRegion& damage, double scale, QSize pixels) {
    if (painter_.isActive()) painter_.end();
    device_->setPixels(pixels);
    device_->engine().startFilter(target, damage);
    painter_.begin(device_.get());
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.scale(scale, scale);
    return painter_;
}

void RoomSprites::endFilter() {
    if (painter_.isActive()) painter_.end();
    device_->engine().stop();
}

}  // namespace kp
