#pragma once
// Slanting rain in three depth layers, with gusts that change the slant.
#include <QSizeF>

class QPainter;

namespace kp {

// Draws rain over the rectangle (0, 0, size) of the painter's current coordinates.
// `scale` sizes the streaks (1 at nominal size); `heavy` is a storm's denser, faster rain.
void drawWindowRain(QPainter& p, bool heavy, const QSizeF& size, double time, double scale);

}  // namespace kp
