#pragma once
// The garden's wooden cat house. Drawn whole behind the cat, and its front (door posts and
// threshold) again over the cat while it is inside.
#include <QPainterPath>
#include <QRectF>
#include <QSizeF>

class QPainter;

namespace kp {

struct CatHouseArt {
    enum class Part { whole, front };
    static constexpr QSizeF kSize{56, 50};

    Part part = Part::whole;
    bool snowy = false;

    // Draws at its fixed size, centred in `rect`.
    void paint(QPainter& p, const QRectF& rect) const;
};

// The doorway outline for any rectangle, scaled by its width / 56 from its top-left corner:
// straight sides from 48 up to 37, under a half circle of radius 11 (at width 56).
QPainterPath archPath(const QRectF& rect);

}  // namespace kp
