#pragma once

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QRgb>

namespace kp::scenery {

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
