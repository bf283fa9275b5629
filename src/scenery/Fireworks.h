#pragma once
// Fireworks over a window's sky on New Year's Eve evening and the first hours of New Year's Day:
// three shells rising, bursting into rings of sparks, drooping and fading, every 2.2 s each.
#include <QDateTime>
#include <QRectF>
#include <QSizeF>

class QPainter;

namespace kp {

struct WindowFireworks {
    double time = 0;  // seconds of the window's timeline

    // Fills the sky area: origin at its top-left, y downward. Takes no clicks.
    void paint(QPainter& p, const QSizeF& size) const;
    void paint(QPainter& p, const QRectF& frame) const;
};

// Whether the window shows fireworks: only when `evening` (its sky is at sunset or night), on
// 31 December from 18:00 or 1 January before 03:00, in the time zone `on` carries.
bool fireworksDue(const QDateTime& on, bool evening);
// The same for reference seconds (since 2001-01-01 UTC), read in the user's local time.
bool fireworksDue(double on, bool evening);

}  // namespace kp
