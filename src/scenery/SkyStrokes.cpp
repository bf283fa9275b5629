#include "scenery/SkyStrokes.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kp::scenery {

namespace {
QPointF unitNormal(QPointF d) {
    const double len = std::hypot(d.x(), d.y());
    if (!(len > 1e-9)) return {0, 0};
    return {-d.y() / len, d.x() / len};
}
}  // namespace

void fillLineStroke(QPainter& p, QPointF a, QPointF b, double width) {
    const QPointF n = unitNormal(b - a) * (width / 2);
    const QPointF quad[4] = {a + n, b + n, b - n, a - n};
    p.drawConvexPolygon(quad, 4);
}

void fillQuadStroke(QPainter& p, QPointF a, QPointF c, QPointF b, double width, int segments) {
    constexpr int kMax = 8;
    segments = std::clamp(segments, 1, kMax);
    QPointF outline[2 * (kMax + 1)];
    const int count = 2 * (segments + 1);
    for (int i = 0; i <= segments; ++i) {
        const double t = double(i) / segments;
        const double u = 1 - t;
        const QPointF point = a * (u * u) + c * (2 * u * t) + b * (t * t);
        const QPointF n = unitNormal((c - a) * (2 * u) + (b - c) * (2 * t)) * (width / 2);
        outline[i] = point + n;
        outline[count - 1 - i] = point - n;
    }
    p.drawPolygon(outline, count);
}

}  // namespace kp::scenery
