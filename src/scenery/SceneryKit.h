#pragma once
// Small helpers shared by the scenery drawings: the fractional part, a seeded pseudo-random
// number, colour mixing and opacity. Header-only and allocation-free.
#include <QColor>
#include <QDate>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace kp::scenery {

// x - trunc(x): the remainder keeps the sign of x.
inline double frac(double x) { return x - std::trunc(x); }

// `v` on a grid of `step`: a value that moves by much less than a visible step in a frame (a glow's
// opacity, a slow drift) changes what is drawn only once it has moved a step, so that the frames
// between draw nothing again.
inline double stepped(double v, double step) { return std::round(v / step) * step; }

// How many of a repeated small piece (a width over their spacing) are drawn: at most what a wide
// screen holds, so that a tiny scale neither runs a loop for ever nor overflows the conversion.
inline int pieceCount(double n) { return n > 0 && std::isfinite(n) ? static_cast<int>(std::min(n, 4096.0)) : 0; }

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

// Today's month (1...12) in the local calendar, read again at most every 20 seconds: asking the
// calendar every frame costs more than drawing a whole scene. One thread at a time.
inline int currentMonth() {
    using Clock = std::chrono::steady_clock;
    static Clock::time_point readAt{};
    static int month = 0;
    const Clock::time_point now = Clock::now();
    if (month == 0 || now - readAt > std::chrono::seconds(20)) {
        month = QDate::currentDate().month();
        readAt = now;
    }
    return month;
}

// Marks, while it lives, drawing that looks the same in every frame (a sky's gradient, kept hills).
// A room that draws again only what moves gathers where its moving pieces lie and leaves these out:
// they are drawn again only where something moves over them. One thread's drawing at a time.
class StillDrawing {
public:
    StillDrawing() { ++depth(); }
    ~StillDrawing() { --depth(); }
    StillDrawing(const StillDrawing&) = delete;
    StillDrawing& operator=(const StillDrawing&) = delete;
    static bool active() { return depth() > 0; }

private:
    static int& depth() {
        thread_local int d = 0;
        return d;
    }
};

}  // namespace kp::scenery
