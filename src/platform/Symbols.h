#pragma once
// Small symbols drawn as paths: glyphs of the Material Icons font by ligature name, and the
// hand-drawn stand-ins several screens share.
#include <QPainterPath>
#include <QString>

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

}  // namespace kp
