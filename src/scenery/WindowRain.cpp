#include "scenery/WindowRain.h"

#include "platform/Color.h"
#include "scenery/SceneryKit.h"

#include <QLineF>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kp {

using scenery::hash;

namespace {
struct RainLayer {
    double depth, density;
};
constexpr RainLayer kLayers[3] = {{0.35, 0.45}, {0.7, 0.35}, {1.0, 0.2}};
}  // namespace

void drawWindowRain(QPainter& p, bool heavy, const QSizeF& size, double time, double scale) {
    const double w = size.width();
    const double h = size.height();
    if (!(w > 0) || !(h > 0) || !std::isfinite(w) || !std::isfinite(h) || !std::isfinite(scale)) return;

    const double gust = 0.5 + 0.5 * std::sin(0.31 * time) * std::sin(0.13 * time + 1.2);
    const double slant = (heavy ? 0.30 : 0.18) + 0.16 * gust;
    const double speed = heavy ? 1.7 : 1.15;
    const double widthFactor = std::clamp(scale, 0.6, 1.4);
    const double spacing = heavy ? 4.5 : 7.0;
    const double base = w / spacing / std::max(scale, 0.6);

    // Streaks of one layer go out in one call; the buffer only grows.
    static thread_local std::vector<QLineF> lines;
    static const QColor kRain = colorFromHex("#DCE8F4");

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    for (int layer = 0; layer < 3; ++layer) {
        const double a = kLayers[layer].depth;
        const double b = kLayers[layer].density;
        const int n = std::max(3, int(std::trunc(2 * b * base)));
        const double len = (9 * a + 5) * scale * (heavy ? 1.3 : 1.0);
        const double v = (0.65 * a + 0.55) * speed;
        QPen pen(scenery::faded(kRain, 0.45 * a + 0.22), (0.6 * a + 0.45) * widthFactor, Qt::SolidLine, Qt::RoundCap,
                 Qt::MiterJoin);
        pen.setMiterLimit(10);
        p.setPen(pen);
        if (lines.size() < size_t(n)) lines.resize(size_t(n));
        const double span = w + slant * (h + 2 * len);
        for (int j = 0; j < n; ++j) {
            const double seed = j + 101.0 * layer;
            const double u = (0.9 + 0.2 * hash(seed)) * v * time + hash(seed + 0.5);
            const double cycle = std::floor(u);
            const double progress = u - cycle;
            const double y = progress * (h + 2 * len) - len;
            const double x = hash(3.1 * seed + 7.7 * cycle) * span - slant * y;
            lines[size_t(j)] = QLineF(x, y, x - slant * len, y + len);
        }
        p.drawLines(lines.data(), n);
    }
    p.restore();
}

}  // namespace kp
