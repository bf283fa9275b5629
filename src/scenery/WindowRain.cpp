#include "scenery/WindowRain.h"

#include "platform/Color.h"
#include "scenery/SceneryKit.h"
#include "scenery/SkyStrokes.h"
#include "scenery/Sprites.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>

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
    // The slant in steps of 1/256, so that each layer's streak is one kept picture for a while.
    const long slantStep = std::lround(((heavy ? 0.30 : 0.18) + 0.16 * gust) * 256);
    const double slant = slantStep / 256.0;
    const double speed = heavy ? 1.7 : 1.15;
    const double widthFactor = std::clamp(scale, 0.6, 1.4);
    const double spacing = heavy ? 4.5 : 7.0;
    const double base = w / spacing / std::max(scale, 0.6);

    static const QColor kRain = colorFromHex("#DCE8F4");

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int layer = 0; layer < 3; ++layer) {
        const double a = kLayers[layer].depth;
        const double b = kLayers[layer].density;
        const int n = std::max(3, scenery::pieceCount(2 * b * base));
        const double len = (9 * a + 5) * scale * (heavy ? 1.3 : 1.0);
        const double v = (0.65 * a + 0.55) * speed;
        const double width = (0.6 * a + 0.45) * widthFactor;
        const QColor ink = scenery::faded(kRain, 0.45 * a + 0.22);
        const double span = w + slant * (h + 2 * len);
        // Round ends reach half the width past each end of the streak.
        const double norm = std::hypot(slant, 1.0);
        const QPointF cap(-slant * width / 2 / norm, width / 2 / norm);
        // Every streak of a layer looks the same: one kept picture about the streak's top, laid
        // where each one falls.
        const QPointF from = -cap, to = QPointF(-slant * len, len) + cap;
        const QRectF box = QRectF(from, to).normalized().adjusted(-width - 1, -width - 1, width + 1, width + 1);
        const std::uint64_t key = 0x5241494E00000000ull | static_cast<std::uint64_t>(heavy) << 31 |
                                  static_cast<std::uint64_t>(layer) << 28 |
                                  static_cast<std::uint64_t>(std::lround(scale * 64) & 0xFFF) << 16 |
                                  static_cast<std::uint64_t>(slantStep & 0xFFFF);
        const auto streak = [&](QPainter& q) {
            q.setPen(Qt::NoPen);
            q.setBrush(ink);
            scenery::fillLineStroke(q, from, to, width);
        };
        for (int j = 0; j < n; ++j) {
            const double seed = j + 101.0 * layer;
            const double u = (0.9 + 0.2 * hash(seed)) * v * time + hash(seed + 0.5);
            const double cycle = std::floor(u);
            const double progress = u - cycle;
            const double y = progress * (h + 2 * len) - len;
            const double x = hash(3.1 * seed + 7.7 * cycle) * span - slant * y;
            p.translate(x, y);
            scenery::drawSprite(p, key, box, streak);
            p.translate(-x, -y);
        }
    }
    p.restore();
}

}  // namespace kp
