#pragma once
// The kitchen's furniture: backsplash, jar shelf, utensil rail, wall clock, fridge, counter, stove,
// side table, chair, plant and the food and water bowls. Anchors and scales follow RoomShapes.h's
// drawing contract.
#include "rooms/RoomKit.h"
#include "rooms/RoomShapes.h"

class QPainter;
class QTime;

namespace kp {

// Backsplash strip (322 x 18), jar shelf, utensil rail (top-aligned parts), wall clock (16 x 16):
// `at` = centre.
void drawBacksplash(QPainter& p, QPointF at, double scale);
void drawJarShelf(QPainter& p, QPointF at, double scale);
void drawUtensilRail(QPainter& p, QPointF at, double scale, double t);
// The clock's hands in degrees clockwise from twelve: hours in 0..<12 (fractional), minutes.
struct ClockHands {
    double hourDegrees = 0;
    double minuteDegrees = 0;
};
ClockHands clockHands(int hour, int minute);
ClockHands clockHands(const QTime& localTime);
void drawWallClock(QPainter& p, QPointF at, double scale, ClockHands hands);

// Floor pieces; `at` = bottom centre.
void drawFridge(QPainter& p, QPointF at, double scale);        // 34 x 58
void drawKitchenCounter(QPainter& p, QPointF at, double scale);  // 92 x 36
void drawStove(QPainter& p, QPointF at, double scale, double t);  // 42 x 46, steam rising
void drawSideTable(QPainter& p, QPointF at, double scale);     // 40 x 28
void drawKitchenChair(QPainter& p, QPointF at, double scale);  // 18 x 30
// The kibble heap's height while eating (0.85...1) or 1.
double foodFill(bool eating, double t);
void drawFoodBowl(QPainter& p, QPointF at, double scale, double fill);  // 30 x 16
void drawWaterBowl(QPainter& p, QPointF at, double scale, bool drinking, double t);  // 26 x 14

// The model values one kitchen frame is drawn from (kitchenState() reads them and the clock).
struct KitchenState {
    ClockHands clock;        // the hands at the frame's local time
    bool eating = false;     // pose == eating (whatever the room)
    bool drinking = false;   // pose == drinking and the cat is in the kitchen
    bool catDead = false;
};
// `t`: the frame's time (seconds since 2001-01-01 UTC).
KitchenState kitchenState(const RoomModels& m, double t);

void paintKitchenFurniture(QPainter& p, const RoomFrame& f, const KitchenState& s);
// Food bowl (eat) and water bowl (drink).
void addKitchenHotspots(const RoomFrame& f, const KitchenState& s, RoomHotspots& hot);

// The fridge stands at a fixed x (its top is the fridge-top perch).
inline constexpr double kFridgeX = 54;

}  // namespace kp
