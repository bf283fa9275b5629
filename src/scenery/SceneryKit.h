#pragma once
// Small helpers shared by the scenery drawings: the fractional part, a seeded pseudo-random
// number, colour mixing and opacity. Header-only and allocation-free.
#include <QColor>

#include <algorithm>
#include <cmath>

namespace kp::scenery {

// x - trunc(x): the remainder keeps the sign of x.
inline double frac(double x) { return x - std::trunc(x); }

// A pseudo-random number in [0, 1) that depends only on x.
inline double hash(double x) { return frac(std::abs(std::sin(12.9898 * x + 78.233) * 43758.5453)); }

// b + (a - b) * t per sRGB channel, opaque.
inline QColor mix(const QColor& a, const QColor& b, double t) {
    const QColor ra = a.isValid() ? a.toRgb() : QColor(Qt::gray);
    const QColor rb = b.isValid() ? b.toRgb() : QColor(Qt::gray);
    QColor out;
    out.setRgbF(float(rb.redF() + (ra.redF() - rb.redF()) * t), float(rb.greenF() + (ra.greenF() - rb.greenF()) * t),
                float(rb.blueF() + (ra.blueF() - rb.blueF()) * t), 1.0f);
    return out;
}

// The colour with its opacity multiplied by `opacity` (clamped to 0...1).
inline QColor faded(QColor c, double opacity) {
    c.setAlphaF(float(c.alphaF() * std::clamp(opacity, 0.0, 1.0)));
    return c;
}

}  // namespace kp::scenery
