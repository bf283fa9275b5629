#include "rooms/RoomSprites.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QTextItem>

#include <algorithm>
#include <cmath>

namespace kp {

namespace {

// Takes every drawing call and hands its bounds (in device pixels) to the gatherer.
class BoundsEngine final : public QPaintEngine {
public:
    explicit BoundsEngine(RoomSprites& sprites) : QPaintEngine(QPaintEngine::AllFeatures), sprites_(sprites) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& s) override {
        if (s.state() & QPaintEngine::DirtyTransform) m_ = s.transform();
        if (s.state() & QPaintEngine::DirtyPen) pen_ = s.pen();
    }

    void drawPath(const QPainterPath& path) override { stroked(path.controlPointRect()); }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode) override {
        if (count <= 0) return;
        double x0 = points[0].x(), x1 = x0, y0 = points[0].y(), y1 = y0;
        for (int i = 1; i < count; ++i) {
            x0 = std::min(x0, points[i].x()), x1 = std::max(x1, points[i].x());
            y0 = std::min(y0, points[i].y()), y1 = std::max(y1, points[i].y());
        }
        stroked(QRectF(QPointF(x0, y0), QPointF(x1, y1)));
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override {
        QPolygonF poly;
        poly.reserve(count);
        for (int i = 0; i < count; ++i) poly.append(QPointF(points[i]));
        drawPolygon(poly.constData(), count, mode);
    }
    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i) stroked(rects[i]);
    }
    void drawRects(const QRect* rects, int count) override {
        for (int i = 0; i < count; ++i) stroked(QRectF(rects[i]));
    }
    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i) stroked(QRectF(lines[i].p1(), lines[i].p2()).normalized());
    }
    void drawLines(const QLine* lines, int count) override {
        for (int i = 0; i < count; ++i) stroked(QRectF(QPointF(lines[i].p1()), QPointF(lines[i].p2())).normalized());
    }
    void drawEllipse(const QRectF& r) override { stroked(r.normalized()); }
    void drawEllipse(const QRect& r) override { stroked(QRectF(r).normalized()); }
    void drawPoints(const QPointF* points, int count) override {
        for (int i = 0; i < count; ++i) stroked(QRectF(points[i], QSizeF(0, 0)));
    }
    void drawPoints(const QPoint* points, int count) override {
        for (int i = 0; i < count; ++i) stroked(QRectF(QPointF(points[i]), QSizeF(0, 0)));
    }
    void drawPixmap(const QRectF& r, const QPixmap&, const QRectF&) override { filled(r); }
    void drawTiledPixmap(const QRectF& r, const QPixmap&, const QPointF&) override { filled(r); }
    void drawImage(const QRectF& r, const QImage&, const QRectF&, Qt::ImageConversionFlags) override { filled(r); }
    void drawTextItem(const QPointF& p, const QTextItem& ti) override {
        filled(QRectF(p.x(), p.y() - ti.ascent(), ti.width(), ti.ascent() + ti.descent()).adjusted(-2, -2, 2, 2));
    }

private:
    void filled(const QRectF& local, double grow = 0) {
        // mapRect keeps a line's zero width; the growth gives it its pixels.
        const QRectF r = m_.mapRect(local);
        sprites_.add(QRectF(QPointF(r.left() - grow, r.top() - grow), QPointF(r.right() + grow, r.bottom() + grow)));
    }
    // The shape's bounds with the pen's reach past its outline (joins and caps included).
    void stroked(const QRectF& local) {
        if (pen_.style() == Qt::NoPen) {
            filled(local);
            return;
        }
        const double scale = std::max(std::abs(m_.m11()) + std::abs(m_.m21()), std::abs(m_.m12()) + std::abs(m_.m22()));
        double width = pen_.widthF();
        width = (width <= 0 || pen_.isCosmetic()) ? std::max(1.0, width) : width * scale;
        const double reach = pen_.joinStyle() == Qt::MiterJoin ? std::max(1.0, pen_.miterLimit()) : 1.5;
        filled(local, width * reach / 2 + 1);
    }

    RoomSprites& sprites_;
    QTransform m_;
    QPen pen_;
};

}  // namespace

class RoomSprites::Device final : public QPaintDevice {
public:
    explicit Device(RoomSprites& sprites) : engine_(sprites) {}
    QPaintEngine* paintEngine() const override { return &engine_; }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth:
        case PdmHeight: return 1 << 14;
        case PdmWidthMM:
        case PdmHeightMM: return (1 << 14) * 254 / 960;
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
    mutable BoundsEngine engine_;
};

RoomSprites::RoomSprites() : device_(std::make_unique<Device>(*this)) {}

RoomSprites::~RoomSprites() {
    if (painter_.isActive()) painter_.end();
}

QPainter& RoomSprites::begin(double dpr) {
    if (painter_.isActive()) painter_.end();
    shapes_.clear();
    painter_.begin(device_.get());
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.scale(dpr, dpr);
    return painter_;
}

void RoomSprites::add(const QRectF& deviceBounds) {
    QRectF r = deviceBounds.normalized();
    if (r.isEmpty()) return;
    if (!std::isfinite(r.left()) || !std::isfinite(r.right()) || !std::isfinite(r.top()) || !std::isfinite(r.bottom()))
        return;
    // Joins every piece it touches, and again while the grown piece touches another.
    for (bool joined = true; joined;) {
        joined = false;
        for (std::size_t i = 0; i < shapes_.size(); ++i) {
            if (!shapes_[i].adjusted(-1, -1, 1, 1).intersects(r)) continue;
            r = r.united(shapes_[i]);
            shapes_[i] = shapes_.back();
            shapes_.pop_back();
            joined = true;
            break;
        }
    }
    shapes_.push_back(r);
}

const std::vector<QRect>& RoomSprites::end() {
    if (painter_.isActive()) painter_.end();
    pieces_.clear();
    for (const QRectF& r : shapes_) {
        const QRectF clamped = r.intersected(QRectF(-4096, -4096, 1 << 14, 1 << 14));
        if (clamped.isEmpty()) continue;
        const QRect px(QPoint(static_cast<int>(std::floor(clamped.left())) - 1, static_cast<int>(std::floor(clamped.top())) - 1),
                       QPoint(static_cast<int>(std::ceil(clamped.right())), static_cast<int>(std::ceil(clamped.bottom()))));
        pieces_.push_back(px);
    }
    return pieces_;
}

QRegion RoomSprites::damage(const std::vector<QRect>& now, const std::vector<QRect>& before) {
    QRegion region;
    for (const QRect& r : now) region += r;
    for (const QRect& r : before) region += r;
    return region;
}

}  // namespace kp
