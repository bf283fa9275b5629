#pragma once
// A five-pointed star shared by the holiday props and ornaments.
#include <QPainterPath>
#include <QPointF>

namespace kp {

// Ten vertices alternating the outer radius and 0.45 × it, the first straight up at
// (cx, cy − radius), going clockwise on screen (y downward); closed.
QPainterPath starPath(QPointF center, double radius);

}  // namespace kp
