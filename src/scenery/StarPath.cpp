#include "scenery/StarPath.h"

#include <cmath>
#include <numbers>

namespace kp {

QPainterPath starPath(QPointF center, double radius) {
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const double r = (i % 2 == 0) ? radius : 0.45 * radius;
        const double a = (-90.0 + 36.0 * i) * std::numbers::pi / 180.0;
        const QPointF v(center.x() + r * std::cos(a), center.y() + r * std::sin(a));
        if (i == 0)
            path.moveTo(v);
        else
            path.lineTo(v);
    }
    path.closeSubpath();
    return path;
}

}  // namespace kp
