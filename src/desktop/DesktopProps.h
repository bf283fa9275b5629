#pragma once
// The small drawings placed beside the roaming cat: the toy mouse (also the gift), the mug and the
// thought bubble of an ask. Each paints its frame CENTRED on the painter's origin (y down, points);
// the scene places, turns, scales and fades them.
#include "life/PetTypes.h"

#include <QImage>
#include <QPointF>

#include <vector>

class QPainter;

namespace kp {

// Grey toy mouse facing right in an 18 x 10 frame; its tail reaches 4 points past the left edge.
struct ToyMouse {
    static constexpr double width = 18;
    static constexpr double height = 10;
    void paint(QPainter& p) const;
};

// Red mug with a paw mark in a 20 x 16 frame; the handle ring stands out to the right.
struct Mug {
    static constexpr double width = 20;
    static constexpr double height = 16;
    void paint(QPainter& p) const;
};

// Thought bubble (40 across) with the need's icon; the two trailing dots point back towards the
// cat (side +1: the cat faces right, so they trail down to the left).
struct NeedBubble {
    PetNeed need = PetNeed::hungry;
    double t = 0;
    double side = 1;
    void paint(QPainter& p) const;
};

// The cat's shadow, a soft dark ellipse: drawn once for each size and place within a device pixel
// it takes, then laid as an image, since it is painted again under every frame's moving paws.
class GroundShadow {
public:
    // The ellipse about `centre` with radii `rx` and `ry` (points), black at alpha 41.
    void paint(QPainter& p, QPointF centre, double rx, double ry);

private:
    struct Stamp {
        double rx, ry, dpr, fx, fy;
        QImage image;
    };
    std::vector<Stamp> stamps_;  // most recent first
};

}  // namespace kp
