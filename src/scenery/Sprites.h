#pragma once
// Small pieces that only turn, move or fade, drawn from pictures kept at the device's scale.
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QRect>
#include <QRectF>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace kp::scenery {

// The kept picture of `key` at device scale `scale` over `bounds`, or null.
const QImage* keptSprite(std::uint64_t key, double scale, const QRectF& bounds);
// Keeps `image` as that picture and answers it.
const QImage& keepSprite(std::uint64_t key, double scale, const QRectF& bounds, QImage image);
// A blank picture for `bounds` at `scale`, and a painter on it in the bounds' units.
QImage blankSprite(double scale, const QRectF& bounds);
// The smallest rectangle holding every pixel of a premultiplied image that is not clear (empty when
// none is).
QRect inkBounds(const QImage& image);
void beginSprite(QPainter& q, double scale, const QRectF& bounds);
// Lays `image` (kept at `scale`) over `bounds` as the painter stands: pixel for pixel on whole
// device pixels when the painter is not turned, sampled smoothly when it is.
void laySprite(QPainter& p, const QImage& image, const QRectF& bounds, double scale);
// How many upright pictures are kept.
std::size_t spritesKept();
// Lets every kept picture go (while nothing that draws them is seen).
void dropSprites();
// The painter's device scale (0 when it cannot be kept as a picture).
double spriteScale(const QPainter& p, const QRectF& bounds);

// The painter's device pixels per unit.
inline double devicePerUnit(const QPainter& p) {
    const QTransform t = p.deviceTransform();
    return std::hypot(t.m11(), t.m12());
}

// `v` (the painter's units) in steps of a quarter of a device pixel: a slow motion changes what is
// drawn only once it has moved that much.
inline double quarterPixels(const QPainter& p, double v) {
    const double unit = devicePerUnit(p);
    if (!(unit > 0)) return v;
    const double step = 0.25 / unit;
    return std::round(v / step) * step;
}

// `degrees` in steps so small that a point `reach` away from the turning point (the painter's
// units) moves at most a quarter of a device pixel from step to step: a slow sway changes what is
// drawn only once it has moved that much.
inline double steppedTurn(const QPainter& p, double degrees, double reach) {
    const double scale = devicePerUnit(p);
    if (!(scale > 0) || !(reach > 0)) return degrees;
    const double step = 0.25 / (scale * reach) * 180 / 3.14159265358979323846;
    return std::round(degrees / step) * step;
}

// A device that only learns where a frame's moving pieces lie and how each is drawn (the room's
// gathering painter). A picture laid on it is told by its bounds and a digest of its key and how
// it is laid: its pixels are neither looked up nor drawn.
class SpriteGatherer : public QPaintDevice {
public:
    // The device type such a device answers.
    static constexpr int kDeviceType = 0x4B50;
    int devType() const override { return kDeviceType; }
    // Whether the device gathers now (else it draws, or filters what it draws).
    virtual bool gathers() const = 0;
    // A laid picture over `deviceBounds` (device pixels) drawn as `digest` says.
    virtual void gatherShape(const QRectF& deviceBounds, std::uint64_t digest) = 0;
    // While the device filters: the rectangles (device pixels, not overlapping) within which what
    // it draws is seen, each drawn within alone; else null.
    virtual const std::vector<QRect>* filterRects() const { return nullptr; }
};
// The gatherer `p` draws on, when it gathers now.
SpriteGatherer* spriteGatherer(const QPainter& p);
// The rectangles `p`'s device shows what it draws within (device pixels), when it filters now.
const std::vector<QRect>* spriteFilterRects(const QPainter& p);
// Draws with `draw` on `p`; on a plain device that filters, once within each rectangle it shows
// (for a large picture laid whole, of which little is seen).
void drawShown(QPainter& p, const std::function<void()>& draw);
// While one lasts, a painter on `device` (of this thread) draws as for a room that filters: only
// what lies within `rects` (device pixels, not overlapping) will be seen, so pictures are put
// together and laid there alone. Outside them the device is left as it is.
class FilteredDevice {
public:
    FilteredDevice(const QPaintDevice* device, const std::vector<QRect>& rects);
    ~FilteredDevice();
    FilteredDevice(const FilteredDevice&) = delete;
    FilteredDevice& operator=(const FilteredDevice&) = delete;

private:
    friend const std::vector<QRect>* spriteFilterRects(const QPainter& p);
    const QPaintDevice* device_;
    const std::vector<QRect>& rects_;
    FilteredDevice* outer_;
};
// Tells `p`'s gatherer of the picture of `key` at `scale` over `bounds` as laySprite() would lay
// it; false when `p` does not gather or is turned (the picture is then to be laid).
bool gatherSprite(QPainter& p, std::uint64_t key, double scale, const QRectF& bounds);

// Many small moving pieces in one band (a garland's baubles) put onto one picture once per frame
// and laid down at once: their kept pictures are laid on it unclipped and untransformed, where
// each laid on the room would go through the room's painter and its clip. `id` tells the bands apart; `stamp` (the
// frame's time) says when the picture is put together again, so that drawing the same frame
// twice puts it together once. On a painter that filters, only the rectangles it shows are put
// together again (each piece meeting one blended within it, in the same order), as nothing else
// of the picture is seen there.
class StripPicture {
public:
    // Whether the band over `bounds` (the painter's units) can be kept as a picture for `p` (not
    // when the painter is turned or mirrored).
    bool prepare(QPainter& p, std::uint64_t id, const QRectF& bounds, double stamp);
    // Whether the picture is to be put together again (cleared) for this frame, or, on a painter
    // that gathers, its pieces told.
    bool due() const { return due_; }
    // Device pixels of the picture per unit of the painter, and where a point of the painter's
    // units falls on the picture.
    double scale() const { return kept_[current_].scale; }
    // (A point lands on the same device pixel as it would laid on the painter itself.)
    QPointF toPicture(QPointF at) const { return (at - kept_[current_].bounds.topLeft()) * kept_[current_].scale + offset_; }
    // Blends a kept picture into the band's with its top-left pixel at `at`, faded by `opacity`.
    void blend(const QImage& sprite, QPoint at, double opacity);
    // Whether what is put within `area` (the picture's pixels) would be seen: false only where a
    // painter that filters shows none of it, so its pieces can be left alone.
    bool shows(const QRectF& area) const;
    // The same with the kept picture of `key` at `scale` over `box`, drawn by `draw(QPainter&)`
    // when missing; on a painter that gathers, told by its key without being looked up.
    template <typename Draw>
    void blendKept(std::uint64_t key, double scale, const QRectF& box, QPoint at, double opacity, Draw&& draw);
    void lay(QPainter& p);

private:
    struct Kept {
        std::uint64_t id = 0;
        double scale = 0, stamp = 0;
        QRectF bounds;
        QImage image;
        bool whole = false;  // whether all of it is as of `stamp`, else only within `within`
        std::vector<QRect> within;
    };
    Kept kept_[4];
    QPainter painter_;
    int current_ = 0, next_ = 0;
    bool due_ = false;
    bool fill_ = false;  // whether the picture is put together now
    bool part_ = false;  // whether only within `parts_` (the picture's pixels)
    std::vector<QRect> parts_;
    bool meets(const QRect& r) const;
    QPointF offset_;  // the band's corner's part of a device pixel
    void gatherKept(std::uint64_t key, double scale, const QRectF& box, QPoint at, double opacity);
    void put(const QImage& sprite, QPoint at, double opacity);
    // While the painter gathers: the band's corner on the device, what clips it, and how it is laid.
    void gatherPiece(const QRectF& device, std::uint64_t digest);
    SpriteGatherer* gather_ = nullptr;
    QPointF origin_;
    QRectF gatherClip_;
    std::uint64_t gatherDigest_ = 0;
};

// The kept picture of `key` at `scale` over `bounds`, drawn by `draw(QPainter&)` when missing.
template <typename Draw>
const QImage& spritePicture(std::uint64_t key, double scale, const QRectF& bounds, Draw&& draw) {
    if (const QImage* image = keptSprite(key, scale, bounds)) return *image;
    QImage fresh = blankSprite(scale, bounds);
    {
        QPainter q(&fresh);
        beginSprite(q, scale, bounds);
        draw(q);
    }
    return keepSprite(key, scale, bounds, std::move(fresh));
}

template <typename Draw>
void StripPicture::blendKept(std::uint64_t key, double scale, const QRectF& box, QPoint at, double opacity, Draw&& draw) {
    if (gather_) gatherKept(key, scale, box, at, opacity);
    if (fill_ && (!part_ || meets(QRect(at, QSize(std::max(1, static_cast<int>(std::ceil(box.width() * scale))),
                                                    std::max(1, static_cast<int>(std::ceil(box.height() * scale))))))))
        put(spritePicture(key, scale, box, draw), at, opacity);
}

// A piece on a turned (or mirrored, or slanted) painter: turned in the raster engine, its upright
// picture costs a smooth transformed fill wherever anything near it is drawn again, not only when it
// turns. A piece gathered turned the same way in two frames (a slow sway in steps, steppedTurn(),
// comes back to the same few) is kept as a picture already turned, made by that same fill once, and
// laid pixel for pixel; one that turns smoothly is laid turned, as nothing would use its picture.
struct TurnedSprite {
    QTransform toPicture;  // the painter's units onto the turned picture's pixels
    QRect device;          // where the picture lies on the device (device pixels)
    std::uint64_t digest = 0;  // the piece's key, bounds, turn and part of a pixel
};
// Where the piece of `key` over `bounds`, kept upright at `scale`, lies turned on `p`; false when
// `p` is upright (the piece is then laid from its upright picture) or the picture is too large.
bool turnedSprite(const QPainter& p, std::uint64_t key, double scale, const QRectF& bounds, TurnedSprite& turned);
// Tells `p`'s gatherer of the turned piece; false when `p` does not gather.
bool gatherTurned(QPainter& p, const TurnedSprite& turned);
// The kept turned picture, or null.
const QImage* keptTurned(const TurnedSprite& turned);
// Whether the piece was gathered turned this way in an earlier frame too (so worth keeping).
bool turnedAgain(const TurnedSprite& turned);
// Turns the upright picture (kept at `scale` over `bounds`) onto a picture, keeps and answers it.
const QImage& keepTurned(const TurnedSprite& turned, const QImage& upright, const QRectF& bounds, double scale);
// Lays the turned picture where it lies, pixel for pixel.
void layTurned(QPainter& p, const QImage& image, const TurnedSprite& turned);
// How many turned pictures are kept, and their bytes.
std::pair<std::size_t, std::size_t> turnedSpritesKept();

// Draws a small piece from an image rendered once per `key` at the painter's device scale, placed
// over `bounds` (the painter's current units). `draw(QPainter&)` paints the piece in those units.
// One thread at a time.
template <typename Draw>
void drawSprite(QPainter& p, std::uint64_t key, const QRectF& bounds, Draw&& draw) {
    const double scale = spriteScale(p, bounds);
    if (!(scale > 0)) {
        draw(p);
        return;
    }
    if (TurnedSprite turned; turnedSprite(p, key, scale, bounds, turned)) {
        if (gatherTurned(p, turned)) return;
        const QImage* image = keptTurned(turned);
        if (!image && turnedAgain(turned)) image = &keepTurned(turned, spritePicture(key, scale, bounds, draw), bounds, scale);
        if (image)
            layTurned(p, *image, turned);
        else
            laySprite(p, spritePicture(key, scale, bounds, draw), bounds, scale);
        return;
    }
    if (gatherSprite(p, key, scale, bounds)) return;
    laySprite(p, spritePicture(key, scale, bounds, draw), bounds, scale);
}

// The same for a piece that stands still at a place that may fall between device pixels: the
// picture is drawn with the place's part of a pixel, so it lies exactly where the shapes would.
template <typename Draw>
void drawStillSprite(QPainter& p, std::uint64_t key, const QRectF& bounds, Draw&& draw) {
    const QTransform t = p.deviceTransform();
    if (t.type() > QTransform::TxScale || !(t.m11() > 0) || !(t.m22() > 0)) {
        draw(p);
        return;
    }
    const QPointF at = t.map(bounds.topLeft());
    const QPointF shift((at.x() - std::floor(at.x())) / t.m11(), (at.y() - std::floor(at.y())) / t.m22());
    drawSprite(p, key, QRectF(bounds.topLeft() - shift, bounds.size() + QSizeF(shift.x(), shift.y())), draw);
}

// The same for a small piece that moves: `draw(QPainter&)` paints it about `at` (the painter's
// units) within `box` about that point. It is laid from a picture kept for each quarter of a
// device pixel it may stand at, on that quarter nearest `at`.
template <typename Draw>
void drawMovingSprite(QPainter& p, std::uint64_t key, QPointF at, const QRectF& box, Draw&& draw) {
    const QTransform t = p.deviceTransform();
    if (t.type() > QTransform::TxScale || !(t.m11() > 0) || !(t.m22() > 0)) {
        p.save();
        p.translate(at);
        draw(p);
        p.restore();
        return;
    }
    const QPointF device = t.map(at);
    p.save();
    p.translate(t.inverted().map(QPointF(std::round(4 * device.x()) / 4, std::round(4 * device.y()) / 4)));
    drawStillSprite(p, key, box, draw);
    p.restore();
}

}  // namespace kp::scenery
