#include "scenery/Fireworks.h"

#include "platform/Color.h"
#include "platform/Dates.h"

#include <QPainter>

#include <cmath>
#include <numbers>

namespace kp {

namespace {

const char* const kPalette[] = {"#FFD27A", "#F07A93", "#8FC5F0", "#8FCB8A", "#C9B6F0", "#FFFFFF"};

double fracOfSin(double v) {
    const double s = std::abs(std::sin(v));
    return s - std::floor(s);
}

void dot(QPainter& p, QPointF c, double diameter, QColor color, double opacity) {
    if (opacity <= 0) return;
    color.setAlphaF(static_cast<float>(opacity > 1 ? 1 : opacity));
    p.setBrush(color);
    p.drawEllipse(c, diameter / 2, diameter / 2);
}

}  // namespace

void WindowFireworks::paint(QPainter& p, const QSizeF& size) const {
    const double W = size.width();
    const double H = size.height();
    const double t = time;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    for (int k = 0; k < 3; ++k) {
        const double u = (t + 2.2 * k / 3) / 2.2;
        const double n = std::floor(u);
        const double phase = u - n;
        // The cycle number may be negative before the timeline's start; keep the seed in 0...96.
        const long long cycle = static_cast<long long>(n);
        const long long seed = (((7 * cycle + 13 * k) % 97) + 97) % 97;
        const double s = static_cast<double>(seed);
        const double x = (0.18 + 0.64 * fracOfSin(12.9898 * s)) * W;
        const double y = (0.22 + 0.30 * fracOfSin(78.233 * s)) * H;
        const QColor colour = colorFromHex(kPalette[(((cycle + k) % 6) + 6) % 6]);

        if (phase < 0.25) {
            dot(p, QPointF(x, H - 4 * phase * (H - y)), 1.2, colour, 0.9);  // 1.2 across, as the ring sparks are sized
            continue;
        }
        const double q = (phase - 0.25) / 0.75;
        const double r = (1 - std::pow(1 - q, 3)) * 0.19 * W;
        const double a = 1 - q * q;
        const double d = 4 * q * q;
        if (q < 0.15) dot(p, QPointF(x, y), 6, Qt::white, 1 - q / 0.15);
        for (int j = 0; j < 16; ++j) {
            const double ang = 2 * std::numbers::pi * j / 16;
            const double w = q <= 0.6 ? 1 : 0.5 + 0.5 * std::sin(j + 30 * t);
            dot(p, QPointF(x + r * std::cos(ang), y + r * std::sin(ang) + d), 1.6, colour, a * w);
        }
        for (int j = 0; j < 10; ++j) {
            const double ang = 2 * std::numbers::pi * (j + 0.5) / 10;
            const double w = q <= 0.6 ? 1 : 0.5 + 0.5 * std::sin(j + 30 * t);
            dot(p, QPointF(x + 0.55 * r * std::cos(ang), y + 0.55 * r * std::sin(ang) + d), 1.1, colour, a * w);
        }
        dot(p, QPointF(x, y), 2 * r, colour, 0.1 * a);
    }
    p.restore();
}

void WindowFireworks::paint(QPainter& p, const QRectF& frame) const {
    p.save();
    p.translate(frame.topLeft());
    paint(p, frame.size());
    p.restore();
}

bool fireworksDue(const QDateTime& on, bool evening) {
    if (!evening || !on.isValid()) return false;
    const QDate date = on.date();
    const int hour = on.time().hour();
    if (!date.isValid() || hour < 0) return false;
    if (date.month() == 12 && date.day() == 31) return hour >= 18;
    if (date.month() == 1 && date.day() == 1) return hour < 3;
    return false;
}

bool fireworksDue(double on, bool evening) {
    return fireworksDue(dateFromReference(on).toLocalTime(), evening);
}

}  // namespace kp
