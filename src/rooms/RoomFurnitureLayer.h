#pragma once
// The room's furniture layer: dispatches to the shown room's furniture (with the scenery's pieces
// among them) and collects the pieces the user can act on as hotspots. The whole layer grows in
// with the opening island (about the room's bottom edge) and fades with it.
#include "rooms/CareRoomFurniture.h"
#include "rooms/RoomKit.h"
#include "rooms/RoomShapesScenery.h"

#include <QTransform>

class QPainter;

namespace kp {

class RoomFurnitureLayer {
public:
    // Draws the frame's room furniture and adds its buttons to `hot`, in room coordinates.
    void paint(QPainter& p, const RoomFrame& f, const RoomModels& m, RoomHotspots& hot);
    // A piece is in a spring's motion: the layer wants every display frame until it settles.
    bool isMoving() const { return scenery_.isMoving(); }
    // What the room's still pieces are drawn from: while it stays the same, a kept drawing of them
    // stays true.
    static unsigned stillInputs(const RoomFrame& f, const RoomModels& m);

    // The layer's placement for the opening: scaled 0.92...1 about the room's bottom centre.
    static QTransform openingTransform(const RoomFrame& f);
    // The garden's cat house as it stands (56 x 50, scaled 1.3, at 0.8 of the width).
    static QTransform gardenHousePlace(const RoomFrame& f);
    // The house's front over a cat inside it, so the cat is seen in the doorway. It stands exactly
    // on the house, which grows in with the furniture while the island opens.
    static void paintHouseFront(QPainter& p, const RoomFrame& f);
    // Where it draws, in device pixels at `scale`.
    static QRect houseFrontArea(const RoomFrame& f, double scale);

private:
    void paintRoom(QPainter& p, const RoomFrame& f, const RoomModels& m, RoomHotspots& hot);
    void paintGarden(QPainter& p, const RoomFrame& f, const RoomModels& m, RoomHotspots& hot);

    SceneryPieces scenery_;
    NeedleSpring needle_;
};

}  // namespace kp
