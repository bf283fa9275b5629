#pragma once
// Where the island sits and how big it is in each state, in points of its screen (x from the
// screen's left edge, y downward from its top edge).
#include "island/IslandStateMachine.h"

#include <QImage>
#include <QPainterPath>
#include <QRegion>
#include <QRect>
#include <QRectF>
#include <QSizeF>

#include <vector>

namespace kp {

namespace island {

inline constexpr double kOpenWidth = 640;
inline constexpr double kOpenHeight = 160;
inline constexpr double kOnboardingHeight = 180;
inline constexpr double kPetitWings = 92;   // two wings of 46 beside the notch
inline constexpr double kWing = 46;

// The island's size in a state; hidden is the bare notch.
QSizeF sizeFor(IslandStateMachine::State state, QSizeF notch);
double cornerRadiusFor(IslandStateMachine::State state);
// A frame of `size` centred at the top of a screen `screenWidth` wide, `top` below its edge (under
// a top panel).
QRectF frameAtTopCentre(QSizeF size, double screenWidth, double top = 0);
// Where the pointer counts as near: the notch widened by 16 a side and 8 downward while hidden,
// else the island's frame grown by 8 on each side and below; both start at `top`.
QRectF hoverZone(IslandStateMachine::State state, const QRectF& islandFrame, QSizeF notch, double screenWidth,
                 double top = 0);
// The island's outline in its own coordinates: square against the top edge, rounded below.
QPainterPath islandShape(QSizeF size, double bottomRadius);
// The pixels that differ between two frames of the same size and format, as rectangles: in each
// band of `band` rows, the smallest rectangle around each run of changed `tile`-pixel columns
// (all of `now` when the frames are not alike; empty when nothing changed).
// The rectangles do not overlap.
std::vector<QRect> changedPixels(const QImage& before, const QImage& now, int band = 16, int tile = 32);
// The same, looking only inside `within` (pixels).
std::vector<QRect> changedPixels(const QImage& before, const QImage& now, const QRegion& within, int band = 16,
                                 int tile = 32);
// Boxes covering `changed` (rectangles that do not overlap) to send to the screen, fewer than its
// rectangles: each box holds at most `slack` pixels that did not change (each box sent costs a
// request, which costs more than copying a few unchanged pixels with it). No two boxes overlap.
std::vector<QRect> boxesToSend(const std::vector<QRect>& changed, int slack = 1024);

}  // namespace island

// The island's size, moved by a spring (response 0.4 s, damping fraction 0.8) one 1/60 s tick at a time.
class IslandSpring {
public:
    static constexpr double kStep = 1.0 / 60.0;

    void jumpTo(QSizeF size, double radius);
    void setTarget(QSizeF size, double radius);
    // Advances one tick; false once it has come to rest on the target.
    bool step();
    bool isSettled() const { return settled_; }
    QSizeF size() const { return {w_.x, h_.x}; }
    double radius() const { return r_.x; }
    QSizeF target() const { return {w_.target, h_.target}; }

private:
    struct Axis {
        double x = 0, v = 0, target = 0;
        void step(double dt);
        bool resting() const;
    };
    Axis w_, h_, r_;
    bool settled_ = true;
};

}  // namespace kp
