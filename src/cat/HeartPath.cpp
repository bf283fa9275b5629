#include "cat/HeartPath.h"

#include <QRectF>

namespace kp {

QPainterPath heartPath(QPointF center, double width) {
    const double x = center.x();
    const double y = center.y();
    const double s = width;
    const double r = s / 4;
    const double lobeY = y - 0.2 * s;

    QPainterPath path;
    path.moveTo(x, y + 0.45 * s);
    path.cubicTo(x - 0.1 * s, y + 0.3 * s, x - s / 2, y + 0.1 * s, x - s / 2, lobeY);
    // Each lobe is a half circle from its left end over the top to its right end.
    path.arcTo(QRectF(x - s / 2, lobeY - r, 2 * r, 2 * r), 180, -180);
    path.arcTo(QRectF(x, lobeY - r, 2 * r, 2 * r), 180, -180);
    path.cubicTo(x + s / 2, y + 0.1 * s, x + 0.1 * s, y + 0.3 * s, x, y + 0.45 * s);
    path.closeSubpath();
    return path;
}

}  // namespace kp
