#pragma once
// The small standing prop a room shows on its floor while a holiday is in season: balloons,
// a heart balloon, a drum, an egg basket, a bonfire, pumpkins, a tree, a cake. Passive: every
// motion is a function of `time`; it takes no clicks.
//
// Frame: 44 x 52 points, origin at its top-left, y downward. The prop stands on the frame's
// bottom edge, centred; new-year balloons reach a little above the frame.
#include "life/Holiday.h"

#include <QRectF>
#include <QSizeF>

class QPainter;

namespace kp {

struct HolidayProp {
    Holiday holiday = Holiday::newYear;
    double time = 0;    // seconds of the room's timeline
    bool dark = false;  // the room is dark: stronger glows on the flames and the pumpkin face

    static constexpr QSizeF kSize{44, 52};
    QSizeF size() const { return kSize; }

    // Draws in the prop's own frame (0, 0, 44, 52).
    void paint(QPainter& p) const;
    // Draws at nominal size centred in `frame` (as a layout places a fixed-size view).
    void paint(QPainter& p, const QRectF& frame) const;

    // The renderer: the painter's origin at the bottom centre of the prop (props stand on y = 0).
    static void drawLocal(QPainter& p, Holiday holiday, bool dark, double time);
    // The same with every shape drawn straight each time (no kept pictures, the flickers smooth).
    static void drawShapes(QPainter& p, Holiday holiday, bool dark, double time);

private:
    static void draw(QPainter& p, Holiday holiday, bool dark, double time, bool kept);
};

}  // namespace kp
