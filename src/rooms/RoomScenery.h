#pragma once
// The scenery pieces (shop item art, windows, wardrobe rack, tomato clock) that the rooms' furniture
// places among its own pieces. The furniture painters call these at the right moment of their
// drawing order; the default draws nothing, so a room renders without scenery (tests, tools).
// Each call gets the point and scale the room fixes for that piece, and places the scenery view
// as stated: "centre" = the view's centre goes there, scaled about its centre; "top" = the view's
// centre goes there, scaled about its top edge; "bottom" = the view's bottom centre stands there
// (its 300 x 200 frame aligned to the bottom), scaled about it.
#include "life/ShopItem.h"
#include "life/SkyTypes.h"

#include <QPointF>
#include <QRectF>

class QPainter;

namespace kp {

class RoomScenery {
public:
    virtual ~RoomScenery() = default;

    // Bedroom.
    virtual void portrait(QPainter&, QPointF /*centre*/, double /*scale*/) {}
    virtual void hangingPlant(QPainter&, QPointF /*top: rope 6*/, double /*scale*/, double /*t*/) {}
    virtual void rug(QPainter&, QPointF /*bottom*/, double /*scale*/) {}
    virtual void bedroomWindow(QPainter&, QPointF /*centre*/, double /*scale*/, SkyLook, double /*t*/,
                               bool /*open*/) {}
    virtual void wardrobeRack(QPainter&, QPointF /*centre*/, double /*scale*/, bool /*fresh*/, double /*t*/) {}
    virtual void tomatoClock(QPainter&, QPointF /*centre*/, double /*scale*/, double /*progress*/,
                             bool /*ringing*/, bool /*resting*/, double /*t*/) {}
    virtual void cushion(QPainter&, QPointF /*bottom*/, double /*scale*/) {}
    // A toy lying in the bedroom, drawn as toyArt (its own scale and turn included): centre.
    virtual void toy(QPainter&, QPointF /*centre*/, double /*scale*/, ShopItem, double /*t*/) {}

    // Living room and care room.
    virtual void plainWindow(QPainter&, QPointF /*centre*/, double /*scale*/, SkyLook, double /*t*/) {}

    // Hit frames (in the scenery's own points, before the scale) of the scenery buttons; an empty
    // rectangle leaves the button without a hit area.
    virtual QRectF bedroomWindowFrame() const { return {}; }
    virtual QRectF wardrobeRackFrame() const { return {}; }
    virtual QRectF tomatoClockFrame() const { return {}; }
    virtual QRectF toyFrame(ShopItem) const { return {}; }
};

}  // namespace kp
