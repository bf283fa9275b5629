#pragma once
// Hanging holiday decorations: a garland sagging across the wall, a wreath on a nail and a row of
// mobiles. All hang the same small ornaments, one kind per holiday. Passive: motion follows
// `time`; they take no clicks; `dim` shows the whole decoration at opacity 0.25.
//
// Each fills the size the room gives it: origin at the top-left of that area, y downward.
#include "life/Holiday.h"

#include <QRectF>
#include <QSizeF>

#include <vector>

class QPainter;

namespace kp {

// Ornament number `index` (>= 0; picks colours and variants) of a holiday, hanging below the
// painter's origin (about 8 to 11 units tall). The caller has already translated, rotated and
// scaled. `time` only makes the Christmas baubles twinkle.
void drawOrnament(QPainter& p, int index, Holiday holiday, double time);
// The birthday mobiles' balloon.
void drawBalloonOrnament(QPainter& p, int index);

struct HolidayGarland {
    Holiday holiday = Holiday::christmas;
    double top = 0;     // y of both rope ends
    double sag = 0;     // the rope's lowest point lies `sag` below `top`
    double unit = 1;    // scale, > 0
    double time = 0;
    bool dim = false;
    bool pinned = false;  // ends pinned 3 units inside the edges instead of running off them

    // The ornament count for a view `width` wide: max(int(width / (15 unit)), 5).
    int ornamentCount(double width) const;
    void paint(QPainter& p, const QSizeF& size) const;
    void paint(QPainter& p, const QRectF& frame) const;

private:
    void draw(QPainter& p, const QSizeF& size) const;
};

struct HolidayWreath {
    Holiday holiday = Holiday::christmas;
    double unit = 1;
    double time = 0;
    bool dim = false;

    // Centred in the area; the ring's radius is 11 unit.
    void paint(QPainter& p, const QSizeF& size) const;
    void paint(QPainter& p, const QRectF& frame) const;

private:
    void draw(QPainter& p, const QSizeF& size) const;
};

struct HolidayMobiles {
    Holiday holiday = Holiday::christmas;
    double top = 0;               // y of the ceiling line
    std::vector<double> xs;       // one per mobile: x as a share of the width
    std::vector<double> lengths;  // string lengths in units, reused cyclically
    double unit = 1;
    double time = 0;
    bool dim = false;

    void paint(QPainter& p, const QSizeF& size) const;
    void paint(QPainter& p, const QRectF& frame) const;

private:
    void draw(QPainter& p, const QSizeF& size) const;
};

}  // namespace kp
