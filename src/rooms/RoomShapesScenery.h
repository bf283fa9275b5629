#pragma once
// The scenery pieces (shop item art, windows, wardrobe rack, tomato clock) that the rooms' furniture
// places among its own pieces. The furniture painters call these at the right moment of their
// drawing order; the default draws nothing, so a room renders without scenery (tests, tools).
// Each call gets the point and scale the room fixes for that piece, and places the scenery view
// as stated: "centre" = the view's centre goes there, scaled about its centre; "top" = the view's
// centre goes there, scaled about its top edge; "bottom" = the view's bottom centre stands there
// (its 300 x 200 frame aligned to the bottom), scaled about it.
#include "cat/CatLook.h"
#include "cat/CatOutfit.h"
#include "life/ShopItem.h"
#include "core/SkyTypes.h"

#include "scenery/WindowViews.h"

#include <QPointF>

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

};

// The scenery's own drawings (src/scenery) in those places.
class SceneryPieces : public RoomScenery {
public:
    // The breed the portrait's sitter wears, and its outfit (null: nothing worn).
    void setSitter(CatBreed breed, const CatOutfit* outfit);

    void portrait(QPainter&, QPointF centre, double scale) override;
    void hangingPlant(QPainter&, QPointF top, double scale, double t) override;
    void rug(QPainter&, QPointF bottom, double scale) override;
    void bedroomWindow(QPainter&, QPointF centre, double scale, SkyLook, double t, bool open) override;
    void wardrobeRack(QPainter&, QPointF centre, double scale, bool fresh, double t) override;
    void tomatoClock(QPainter&, QPointF centre, double scale, double progress, bool ringing, bool resting,
                     double t) override;
    void cushion(QPainter&, QPointF bottom, double scale) override;
    void toy(QPainter&, QPointF centre, double scale, ShopItem, double t) override;
    void plainWindow(QPainter&, QPointF centre, double scale, SkyLook, double t) override;

    // A piece is in a spring's motion (it wants every display frame).
    bool isMoving() const { return sash_.isMoving(); }

private:
    CatBreed breed_ = CatBreed::orange;
    const CatOutfit* outfit_ = nullptr;
    WindowSashSpring sash_;
};

}  // namespace kp
