#pragma once
// The pomodoro timer as a tomato on the bedroom nightstand: a dial that fills clockwise with the
// round's progress, green during a break, and a rattle while a finished round waits.
#include <QRectF>
#include <QSizeF>

class QPainter;

namespace kp {

struct TomatoClock {
    double progress = 0;  // 0...1, elapsed share of the focus round or break
    bool ringing = false; // a round or break has ended and waits for the user
    bool resting = false; // a break runs
    double time = 0;      // seconds; drives only the ringing motion

    static constexpr QSizeF kSize{22, 20};
    QSizeF size() const { return kSize; }

    // The shake (degrees, about the bottom centre) and the hop (points, <= 0) at this time.
    double ringAngle() const;
    double ringHop() const;

    // Draws in the clock's own frame (0, 0, 22, 20), shaken and hopping while ringing.
    void paint(QPainter& p) const;
    // Draws at nominal size centred in `frame`.
    void paint(QPainter& p, const QRectF& frame) const;

    // The still drawing into a canvas of `size` (no ringing motion).
    static void draw(QPainter& p, const QSizeF& size, double progress, bool resting);
};

}  // namespace kp
