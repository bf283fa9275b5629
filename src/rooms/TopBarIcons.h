#pragma once
// The small symbols of the room chrome: need rings, room tabs, the album book and the gear.
// Each is a filled path of nominal size 1 (as a glyph of a 1-point font), centred on the origin;
// scale it by the point size wanted. Paths are built once and cached.
#include <QPainterPath>
#include <QPointF>

#include <cstdint>

class QColor;
class QPainter;

namespace kp {

enum class ChromeIcon : std::uint8_t {
    fish,     // hunger ring
    heart,    // happiness ring
    bolt,     // energy ring
    cross,    // health ring
    bed,      // bedroom tab
    sofa,     // living-room tab
    forkKnife,  // kitchen tab
    medKit,   // care tab
    leaf,     // garden tab
    gear,     // settings
    book,     // album
};

inline constexpr int chromeIconCount = 11;

// The icon's path at size 1, centred on (0, 0). Lives as long as the program.
const QPainterPath& chromeIconPath(ChromeIcon icon);

// Fills the icon at point size `size` centred on `centre`.
void paintChromeIcon(QPainter& p, ChromeIcon icon, QPointF centre, double size, const QColor& color);

}  // namespace kp
