#pragma once
// The living room's furniture: window, picture, fireplace, sofa, coffee table, ottoman, TV, plant,
// rug and ball. Anchors and scales follow RoomShapes.h's drawing contract.
#include "rooms/RoomKit.h"
#include "rooms/RoomShapes.h"

class QPainter;

namespace kp {

class RoomScenery;

// Sofa (86 x 34 frame), coffee table (42 x 12), ottoman (32 x 28); `at` = bottom centre.
void drawSofa(QPainter& p, QPointF at, double scale);
void drawCoffeeTable(QPainter& p, QPointF at, double scale);
void drawOttoman(QPainter& p, QPointF at, double scale);
// The lounge rug (60 x 14 frame, the rug itself 60 x 4 at its bottom); `at` = bottom centre.
void drawLoungeRug(QPainter& p, QPointF at, double scale);
// The play ball (16 x 16 frame) rolled to ballX: its highlight turns one turn per 14 pi points.
double playBallAngle(double ballX);
void drawPlayBall(QPainter& p, QPointF at, double scale, double angleDegrees);

// The model values one living-room frame is drawn from (livingState() reads them); the ball's x
// is RoomFrame::ballX and the lift is room::furnitureLift.
struct LivingState {
    bool watching = false;  // pose == watching: the TV is on
    bool catDead = false;
};
LivingState livingState(const RoomModels& m);

void paintLivingFurniture(QPainter& p, const RoomFrame& f, const LivingState& s,
                          RoomScenery* scenery = nullptr);
// TV (watchTV), rug (lounge) and ball (play), back to front.
void addLivingHotspots(const RoomFrame& f, const LivingState& s, RoomHotspots& hot);

inline constexpr QPointF kLivingWindowCentre{62, 70};

}  // namespace kp
