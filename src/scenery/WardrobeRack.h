#pragma once
// The cat's clothes rack: a wooden rail with three hooks, a red top, blue striped stockings and a
// pink bow swaying gently, and a bobbing gift tag while new wardrobe gifts wait.
#include <QRectF>
#include <QSizeF>

class QPainter;

namespace kp {

struct WardrobeRack {
    bool fresh = false;  // unseen gifts wait: shows the gift tag
    double time = 0;     // seconds of the room's timeline

    static constexpr QSizeF kSize{48, 54};
    QSizeF size() const { return kSize; }

    // sway = 3 sin(1.6 time); garments turn by 0.6 sway (top), -0.4 sway (stockings), sway (bow) degrees.
    double sway() const;
    // The gift tag's lift (points, <= 0) at this time.
    double tagHop() const;

    // Draws in the rack's own frame (0, 0, 48, 54); the tag pokes up to 4 points above it.
    void paint(QPainter& p) const;
    // Draws at nominal size centred in `frame`.
    void paint(QPainter& p, const QRectF& frame) const;
};

}  // namespace kp
