#pragma once
// Small symbols drawn as paths: glyphs of the Material Icons font by ligature name, and the
// hand-drawn stand-ins several screens share.
#include <QPainterPath>
#include <QPointF>
#include <QString>

class QColor;
class QPainter;

namespace kp {

// The icon font's glyph for `ligature` at 96 pixels, baseline at the origin; empty when the font is
// not installed.
QPainterPath iconGlyphPath(const QString& ligature);

// `path` scaled so that its larger side is `extent`, centred on the origin; a unit dot when it is
// empty or has no size.
QPainterPath fittedSymbol(const QPainterPath& path, double extent = 1.0);

// A thick plus one unit across, centred on the origin, with ends rounded by `cornerRadius`: the
// medical cross.
QPainterPath medicalCrossPath(double cornerRadius);

// A lightning bolt about 0.84 x 1.1, centred on the origin, broad enough to read at a few points.
QPainterPath boltPath();

// A four-pointed sparkle of `radius` about `centre`. Its sides curve in towards control points
// `waist` off the centre on the diagonals: 0 pinches them through the centre, more fills it out.
QPainterPath sparklePath(QPointF centre, double radius, double waist = 0);

// Fills `unitPath` (a symbol about one unit across, centred on the origin) `size` points across
// about `centre`, in the painter's current hints.
void paintSymbolPath(QPainter& p, const QPainterPath& unitPath, QPointF centre, double size, const QColor& color);

}  // namespace kp
