#include "rooms/RoomFurnitureLayer.h"

#include "life/PetLife.h"
#include "rooms/BedroomFurniture.h"
#include "rooms/KitchenFurniture.h"
#include "rooms/LivingFurniture.h"
#include "scenery/CatHouseArt.h"

#include <QPainter>

namespace kp {

QTransform RoomFurnitureLayer::openingTransform(const RoomFrame& f) {
    const double s = room::openingScale(f.opening);
    QTransform m;
    m.translate(f.width / 2, f.height);
    m.scale(s, s);
    m.translate(-f.width / 2, -f.height);
    return m;
}

QTransform RoomFurnitureLayer::gardenHousePlace(const RoomFrame& f) {
    return room::standAt(f.x(0.8), f.floorLine, CatHouseArt::kSize);
}

void RoomFurnitureLayer::paintHouseFront(QPainter& p, const RoomFrame& f) {
    if (f.opening <= 0) return;
    const CatHouseArt front{CatHouseArt::Part::front, f.look.weather == SkyWeather::snow};
    p.save();
    p.setOpacity(p.opacity() * f.opening);
    p.setTransform(gardenHousePlace(f) * openingTransform(f), true);
    front.paint(p, QRectF(QPointF(0, 0), CatHouseArt::kSize));
    p.restore();
}

QRect RoomFurnitureLayer::houseFrontArea(const RoomFrame& f, double scale) {
    const QRectF at = (gardenHousePlace(f) * openingTransform(f)).mapRect(QRectF(QPointF(0, 0), CatHouseArt::kSize));
    return QRectF(at.topLeft() * scale, at.size() * scale).toAlignedRect().adjusted(-1, -1, 1, 1);
}

void RoomFurnitureLayer::paint(QPainter& p, const RoomFrame& f, const RoomModels& m, RoomHotspots& hot) {
    if (!m.life) return;
    const QTransform place = openingTransform(f);
    const int first = hot.size();
    p.save();
    p.setOpacity(p.opacity() * f.opening);
    p.setTransform(place, true);
    if (f.isGarden())
        paintGarden(p, f, m, hot);
    else
        paintRoom(p, f, m, hot);
    p.restore();
    hot.mapFrom(first, place);
}

unsigned RoomFurnitureLayer::stillInputs(const RoomFrame& f, const RoomModels& m) {
    // Only the bedroom's still pieces follow the models (its bought pieces and the wardrobe); the
    // other rooms' still pieces never change.
    if (!m.life || f.kind != IslandRoomKind::bedroom) return 0;
    const BedroomState s = bedroomState(m);
    const bool bits[] = {s.shopOn, s.portraitShown, s.rugShown, s.cushionShown, s.wardrobeOpen};
    unsigned key = 1;
    for (const bool b : bits) key = key << 1 | (b ? 1 : 0);
    return key;
}

void RoomFurnitureLayer::paintRoom(QPainter& p, const RoomFrame& f, const RoomModels& m, RoomHotspots& hot) {
    switch (f.kind) {
    case IslandRoomKind::bedroom: {
        const BedroomState s = bedroomState(m);
        paintBedroomFurniture(p, f, s, &scenery_);
        if (f.draws(true)) addBedroomHotspots(f, s, hot);
        break;
    }
    case IslandRoomKind::living: {
        const LivingState s = livingState(m);
        paintLivingFurniture(p, f, s, &scenery_);
        if (f.draws(true)) addLivingHotspots(f, s, hot);
        break;
    }
    case IslandRoomKind::kitchen: {
        const KitchenState s = kitchenState(m, f.t);
        paintKitchenFurniture(p, f, s);
        if (f.draws(true)) addKitchenHotspots(f, s, hot);
        break;
    }
    case IslandRoomKind::care: {
        const CareRoomState s = careRoomState(m);
        paintCareRoomFurniture(p, f, s, needle_, &scenery_);
        if (f.draws(true)) addCareRoomHotspots(f, s, hot);
        break;
    }
    case IslandRoomKind::garden: break;
    }
}

void RoomFurnitureLayer::paintGarden(QPainter& p, const RoomFrame& f, const RoomModels& m, RoomHotspots& hot) {
    // The garden's one piece: the cat house, drawn snowy in snow; the cat shelters in it.
    const CatHouseArt house{CatHouseArt::Part::whole, f.look.weather == SkyWeather::snow};
    const QTransform place = gardenHousePlace(f);
    if (f.draws(false)) {
        p.save();
        p.setTransform(place, true);
        house.paint(p, QRectF(QPointF(0, 0), CatHouseArt::kSize));
        p.restore();
    }
    if (f.draws(true)) hot.add(room::placedRect(place, CatHouseArt::kSize), RoomAction::errand(PetErrand::shelter), !m.life->isDead());
}

}  // namespace kp
