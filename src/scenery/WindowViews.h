#pragma once
// The rooms' windows: the scene beyond the glass and two framed windows around it. Passive:
// inputs are fields, motion is a function of `time` (seconds since the reference date).
#include "core/SkyTypes.h"

#include <QRectF>
#include <QSizeF>

class QPainter;

namespace kp {

// Sky, a bird on fine days, treetops, New Year fireworks in the evening (see Fireworks.h),
// beads in the rain.
struct WindowOutside {
    SkyLook look;
    double time = 0;
    // Fills `rect`.
    void paint(QPainter& p, const QRectF& rect) const;
};

// A sash window with curtains; the lower sash rises when `open`.
struct BedroomWindowView {
    static constexpr QSizeF kSize{72, 48};

    SkyLook look;
    double time = 0;
    bool open = false;
    // How far the lower sash is raised, 0 closed ... 1 open; below 0 it follows `open` at once.
    // Rooms that animate the sash pass WindowSashSpring::lift().
    double sashLift = -1;

    // Draws at its fixed size, centred in `rect`.
    void paint(QPainter& p, const QRectF& rect) const;
};

// A cross-barred window with two swaying curtains.
struct PlainWindowView {
    static constexpr QSizeF kSize{76, 52};

    SkyLook look;
    double time = 0;

    // Draws at its fixed size, centred in `rect`.
    void paint(QPainter& p, const QRectF& rect) const;
};

// The bedroom window's sash spring (response 0.5 s, damping fraction 0.8): the room keeps one
// and asks it each frame how far the lower sash is raised.
class WindowSashSpring {
public:
    // The sash lift at frame time `t` (seconds) moving toward `open`. The first call settles at once.
    double lift(bool open, double t);
    bool isMoving() const;

private:
    double position_ = 0;
    double velocity_ = 0;
    double target_ = 0;
    double lastTime_ = 0;
    bool started_ = false;
};

}  // namespace kp
