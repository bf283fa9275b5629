#pragma once
// The scenery behind the cat in the garden: sky, two hills, a tree, a picket fence and a lawn
// with grass and flowers, snow drifts or puddles.
#include "core/SkyTypes.h"

#include <QRectF>

class QPainter;

namespace kp {

struct GardenBackdrop {
    SkyLook look;
    double time = 0;       // the room's frame time, seconds
    double floorLine = 0;  // y of the ground line, in the rect's coordinates (from its top)
    double k = 1;          // the room's scale unit

    // Fills `rect`; the crown turns autumn-coloured by today's month.
    void paint(QPainter& p, const QRectF& rect) const;
    // The same with the month (1...12) given.
    void paintInMonth(QPainter& p, const QRectF& rect, int month) const;
};

}  // namespace kp
