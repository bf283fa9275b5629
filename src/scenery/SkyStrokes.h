#pragma once
// Thin strokes for the sky and the garden (rain streaks, grass blades) filled as small outlines
// with the painter's current brush: much cheaper than the painter's wide-pen stroking, and one
// small polygon at a time rasterises far faster than one large path of many pieces.
// Internal to scenery.
#include <QPointF>

class QPainter;

namespace kp::scenery {

// A straight segment from a to b, `width` wide, with butt ends.
void fillLineStroke(QPainter& p, QPointF a, QPointF b, double width);
// A quadratic curve from a through control c to b, `width` wide, butt ends, in `segments` pieces (1...8).
void fillQuadStroke(QPainter& p, QPointF a, QPointF c, QPointF b, double width, int segments);

}  // namespace kp::scenery
