#pragma once
// The care room's furniture: window, wall chart, heart monitor, supply shelf, cot, drip stand,
// medicine cabinet, weighing scale, litter box, cat carrier and plant. Anchors and scales follow
// RoomShapes.h's drawing contract.
#include "rooms/RoomKit.h"
#include "rooms/RoomShapes.h"

#include <array>

class QPainter;

namespace kp {

class RoomScenery;

// The heart monitor's state from the cat's health at time t.
struct HeartMonitorState {
    double phase = 0;  // 0 <= phase < 1: the spike's sweep
    bool low = false;  // health < 40
};
HeartMonitorState heartMonitorState(double health, double t);
// The trace polyline (6 points) in its 26 x 16 box.
std::array<QPointF, 6> ecgTracePoints(double phase);

// Wall pieces: `at` = centre.
void drawCareChart(QPainter& p, QPointF at, double scale);                     // 34 x 26
void drawHeartMonitor(QPainter& p, QPointF at, double scale, HeartMonitorState s);  // 36 x 26
void drawSupplyShelf(QPainter& p, QPointF at, double scale);                   // 40 x 18
// Floor pieces: `at` = bottom centre.
void drawExamCot(QPainter& p, QPointF at, double scale);                         // 78 x 26
void drawDripStand(QPainter& p, QPointF at, double scale, double t);             // 22 x 58
double medicinePulse(bool healing, double t);
void drawMedicineCabinet(QPainter& p, QPointF at, double scale, double pulse);  // 36 x 48
void drawWeighScale(QPainter& p, QPointF at, double scale, double needleDegrees);  // 30 x 14
void drawLitterBox(QPainter& p, QPointF at, double scale, int poops, double t);  // 40 x 28
void drawCatCarrier(QPainter& p, QPointF at, double scale);                       // 40 x 30

// The scale's needle: -50 degrees empty, 40 loaded, swinging between them on a spring
// (response 0.6 s, damping 0.4) from the moment `loaded` changes.
class NeedleSpring {
public:
    static constexpr double emptyDegrees = -50;
    static constexpr double loadedDegrees = 40;
    // Feeds this frame's loaded flag; returns the needle's angle at t. The first call settles.
    double update(bool loaded, double t);
    double value(double t) const;

private:
    bool started_ = false;
    bool loaded_ = false;
    double from_ = emptyDegrees;   // angle when the target last changed
    double velocity_ = 0;          // degrees per second then
    double since_ = -1e300;
};
// The cat stands on the scale: in the care room within 0.04 of the width of 0.24.
bool scaleLoaded(bool catInCare, double place);

// The model values one care-room frame is drawn from (careRoomState() reads them).
struct CareRoomState {
    double health = 100;
    bool healing = false;   // pose == healing
    bool loaded = false;    // scaleLoaded()
    int poops = 0;
    bool catDead = false;
};
CareRoomState careRoomState(const RoomModels& m);

// `needle` keeps the scale's spring between frames (one per room view).
void paintCareRoomFurniture(QPainter& p, const RoomFrame& f, const CareRoomState& s, NeedleSpring& needle,
                            RoomScenery* scenery = nullptr);
// Medicine cabinet (medicine errand) and litter box (clean; enabled even for a dead cat).
void addCareRoomHotspots(const RoomFrame& f, const CareRoomState& s, RoomHotspots& hot);

inline constexpr QPointF kCareWindowCentre{78, 70};

}  // namespace kp
