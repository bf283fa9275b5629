#include "rooms/RoomShapesScenery.h"

#include "rooms/RoomKit.h"
#include "scenery/ShopArt.h"
#include "scenery/TomatoClock.h"
#include "scenery/WardrobeRack.h"

#include <QPainter>

namespace kp {

namespace {

// Runs `draw` with the painter mapped by `place` (the scenery's own frame, origin at its top-left).
template <typename Draw>
void placed(QPainter& p, const QTransform& place, Draw&& draw) {
    p.save();
    p.setTransform(place, true);
    draw();
    p.restore();
}

QTransform standOn(QPointF bottom, QSizeF size, double scale) {
    QTransform m;
    m.translate(bottom.x(), bottom.y());
    m.scale(scale, scale);
    m.translate(-size.width() / 2, -size.height());
    return m;
}

}  // namespace

void SceneryPieces::setSitter(CatBreed breed, const CatOutfit* outfit) {
    breed_ = breed;
    outfit_ = outfit;
}

void SceneryPieces::portrait(QPainter& p, QPointF centre, double scale) {
    const PortraitArt art;
    CatEnv env;
    env.breed = breed_;
    if (outfit_) env.outfit = *outfit_;
    placed(p, room::wallAt(centre, art.size(), scale), [&] { art.paint(p, env); });
}

void SceneryPieces::hangingPlant(QPainter& p, QPointF top, double scale, double t) {
    const HangingPlantArt art{6, t};
    placed(p, room::hangAt(top, art.size(), scale), [&] { art.paint(p); });
}

void SceneryPieces::rug(QPainter& p, QPointF bottom, double scale) {
    const RugArt art;
    placed(p, standOn(bottom, art.size(), scale), [&] { art.paint(p); });
}

void SceneryPieces::bedroomWindow(QPainter& p, QPointF centre, double scale, SkyLook look, double t, bool open) {
    BedroomWindowView view;
    view.look = look;
    view.time = t;
    view.open = open;
    view.sashLift = sash_.lift(open, t);
    const QSizeF size = BedroomWindowView::kSize;
    placed(p, room::wallAt(centre, size, scale), [&] { view.paint(p, QRectF(QPointF(0, 0), size)); });
}

void SceneryPieces::wardrobeRack(QPainter& p, QPointF centre, double scale, bool fresh, double t) {
    const WardrobeRack rack{fresh, t};
    placed(p, room::wallAt(centre, rack.size(), scale), [&] { rack.paint(p); });
}

void SceneryPieces::tomatoClock(QPainter& p, QPointF centre, double scale, double progress, bool ringing,
                                bool resting, double t) {
    const TomatoClock clock{progress, ringing, resting, t};
    placed(p, room::wallAt(centre, clock.size(), scale), [&] { clock.paint(p); });
}

void SceneryPieces::cushion(QPainter& p, QPointF bottom, double scale) {
    const CushionArt art;
    placed(p, standOn(bottom, art.size(), scale), [&] { art.paint(p); });
}

void SceneryPieces::toy(QPainter& p, QPointF centre, double scale, ShopItem toy, double t) {
    // The toy's own scale and turn, about its centre, inside the room's 1.3.
    auto at = [&](QSizeF size, double own, double turn, auto&& draw) {
        QTransform m;
        m.translate(centre.x(), centre.y());
        m.scale(scale, scale);
        if (turn != 0) m.rotate(turn);
        if (own != 1) m.scale(own, own);
        m.translate(-size.width() / 2, -size.height() / 2);
        placed(p, m, draw);
    };
    switch (toy) {
    case ShopItem::yarn: {
        const YarnArt art{0.4};
        at(art.size(), 1, 0, [&] { art.paint(p); });
        break;
    }
    case ShopItem::box: {
        const BoxArt art{BoxArt::Part::whole};
        at(art.size(), 0.7, 0, [&] { art.paint(p); });
        break;
    }
    case ShopItem::feather: {
        const FeatherWandArt art{0.3 * t};
        at(art.size(), 0.7, -8, [&] { art.paint(p); });
        break;
    }
    case ShopItem::laser: {
        const LaserPenArt art;
        at(art.size(), 0.45, 0, [&] { art.paint(p); });
        break;
    }
    default: break;
    }
}

void SceneryPieces::plainWindow(QPainter& p, QPointF centre, double scale, SkyLook look, double t) {
    PlainWindowView view;
    view.look = look;
    view.time = t;
    const QSizeF size = PlainWindowView::kSize;
    placed(p, room::wallAt(centre, size, scale), [&] { view.paint(p, QRectF(QPointF(0, 0), size)); });
}

}  // namespace kp
