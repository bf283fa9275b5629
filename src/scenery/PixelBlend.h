#pragma once

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QRgb>

#include <cstdint>

namespace kp::scenery {

// x * a / 255 per channel of a premultiplied pixel, rounded as the raster engine rounds it.
inline std::uint32_t byteMul(std::uint32_t x, std::uint32_t a) {
    std::uint32_t t = (x & 0xff00ff) * a;
    t = (t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8;
    t &= 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = x + ((x >> 8) & 0xff00ff) + 0x800080;
    x &= 0xff00ff00;
    return x | t;
}

// Lays the rectangles `where` of `picture` (its pixels) pixel for pixel on `p`'s picture, under
// `p`'s device transform (a shift by whole pixels), with `tint` (a premultiplied pixel) over each
// pixel as it goes down: one pass over the pixels where a copy and then a blend of a layer of one
// colour would take two, and read that layer. The same pixels as the copy and the blend. False,
// with nothing laid, where `p` draws on no premultiplied 32-bit picture, is shifted otherwise or
// clipped to more than one rectangle.
bool layTinted(QPainter& p, const QImage& picture, const QRegion& where, QRgb tint);

// `colour` as the raster engine puts it down as a solid fill: premultiplied, in 8 bits.
QRgb solidPixel(const QColor& colour);

}  // namespace kp::scenery
