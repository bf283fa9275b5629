#include "rooms/RoomScene.h"

namespace kp {

RoomStackPlan planRoomStack(const RoomFrame& f, const RoomSceneInputs& in) {
    RoomStackPlan plan;
    const bool garden = f.isGarden();
    plan.gardenBackdrop = garden;
    plan.holiday = f.holiday.has_value();
    plan.stormFlash = f.look.weather == SkyWeather::storm;
    plan.cat = !in.catOut && in.catInShownRoom;
    plan.houseFront = plan.cat && garden && in.inHouse;
    plan.gardenWeather = garden;
    plan.nightTint = f.showsNightSleep;
    plan.topBarOverTint = f.showsNightSleep;
    if (in.dead)
        plan.card = RoomCard::farewell;
    else if (in.introStep && in.shopOn && f.kind == IslandRoomKind::bedroom)
        plan.card = RoomCard::intro;
    else if (in.offerTomatoClock)
        plan.card = RoomCard::offer;
    return plan;
}

double reactionScale(double body, double opening) { return body * 0.94 * (0.83 + 0.17 * opening); }

double reactionBaseline(const RoomFrame& f, double scale) { return f.floorLine - 30 * scale; }

QPointF farewellCardCentre(const RoomFrame& f) { return {0.5 * f.width, 0.46 * f.height}; }

QPointF roomCardCentre(const RoomFrame& f) { return {0.5 * f.width, 92}; }

}  // namespace kp
