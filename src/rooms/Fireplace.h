#pragma once
// The living room's two animated pieces: the fireplace and the TV on its cabinet.
// Anchors and scales follow RoomShapes.h's drawing contract.
#include <QPointF>
#include <QRectF>

class QPainter;
class QPainterPath;

namespace kp {

// One of the fire's three flames: x offset, width, height and breathing speed.
struct FireFlame {
    double x, width, height, speed;
};
inline constexpr FireFlame kFireFlames[3] = {{-6, 8, 12, 9.1}, {0, 10, 17, 7.3}, {6, 7, 11, 10.7}};

// The fire's brightness, 0.6...1.0.
double fireFlicker(double t);
// Flame i's height factor (0.64...1.0) and sway in degrees about its bottom centre.
double flameHeightFactor(int i, double t);
double flameSway(int i, double t);
// Spark i (0...3): its centre relative to the firebox's bottom centre, and its opacity.
struct SparkState {
    QPointF centre;
    double opacity;
};
SparkState sparkState(int i, double t);

// The fireplace (frame 68 x 56); `at` = bottom centre.
void drawFireplace(QPainter& p, QPointF at, double scale, double flicker, double t);

// The programme's pan (x of the running cat, -28...34) and hop (0...-1.5).
double tvPan(double t);
double tvHop(double t);
// The TV on its cabinet (frame 56 x 49); `at` = bottom centre. While `watching` the set is on and
// shows the cat programme; otherwise it is dark with a red standby light.
void drawTvStand(QPainter& p, QPointF at, double scale, bool watching, double t);

}  // namespace kp
