#pragma once
// Small pieces that only turn, move or fade, drawn from pictures kept at the device's scale.
#include <QRectF>

#include <cstdint>
#include <functional>

class QPainter;

namespace kp::scenery {

// Draws a small piece from an image rendered once per `key` at the painter's device scale, placed
// over `bounds` (the painter's current units) however the painter is turned (a turned picture is
// sampled smoothly). `draw` paints the piece in those units. One thread at a time.
void drawSprite(QPainter& p, std::uint64_t key, const QRectF& bounds, const std::function<void(QPainter&)>& draw);

}  // namespace kp::scenery
