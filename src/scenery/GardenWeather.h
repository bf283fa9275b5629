#pragma once
// The garden's weather layer, drawn over the backdrop: dusk or night tint, snow, rain with
// splashes, a lightning flash, fireflies on fine nights, falling leaves and butterflies.
#include "core/SkyTypes.h"

#include <QColor>
#include <QRectF>

class QPainter;

namespace kp {

struct GardenWeather {
    SkyLook look;
    double time = 0;        // the room's frame time, seconds
    double flash = 0;       // lightning brightness, 0 when none
    double floorLine = 0;   // y of the ground line, in the rect's coordinates (from its top)
    double k = 1;           // the room's scale unit
    bool tinted = true;     // false: the evening's tint is left to the caller (see tint())

    // The evening's tint over the whole garden, drawn first; transparent when there is none.
    QColor tint() const;

    // Fills `rect`; leaves follow today's month.
    void paint(QPainter& p, const QRectF& rect) const;
    // The same with the month (1...12) given: October and November are autumn.
    void paintInMonth(QPainter& p, const QRectF& rect, int month) const;
};

}  // namespace kp
