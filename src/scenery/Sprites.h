#pragma once
// Small pieces that only turn, move or fade, drawn from pictures kept at the device's scale.
#include <QImage>
#include <QPainter>
#include <QRectF>

#include <cstdint>
#include <utility>

namespace kp::scenery {

// The kept picture of `key` at device scale `scale` over `bounds`, or null.
const QImage* keptSprite(std::uint64_t key, double scale, const QRectF& bounds);
// Keeps `image` as that picture and answers it.
const QImage& keepSprite(std::uint64_t key, double scale, const QRectF& bounds, QImage image);
// A blank picture for `bounds` at `scale`, and a painter on it in the bounds' units.
QImage blankSprite(double scale, const QRectF& bounds);
void beginSprite(QPainter& q, double scale, const QRectF& bounds);
// Lays `image` (kept at `scale`) over `bounds` as the painter stands: pixel for pixel on whole
// device pixels when the painter is not turned, sampled smoothly when it is.
void laySprite(QPainter& p, const QImage& image, const QRectF& bounds, double scale);
// The painter's device scale (0 when it cannot be kept as a picture).
double spriteScale(const QPainter& p, const QRectF& bounds);

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
    const QImage* image = keptSprite(key, scale, bounds);
    if (!image) {
        QImage fresh = blankSprite(scale, bounds);
        {
            QPainter q(&fresh);
            beginSprite(q, scale, bounds);
            draw(q);
        }
        image = &keepSprite(key, scale, bounds, std::move(fresh));
    }
    laySprite(p, *image, bounds, scale);
}

}  // namespace kp::scenery
