#include "rooms/RoomPhotographer.h"

#include "app/AppState.h"
#include "cat/Closet.h"
#include "life/PetLife.h"
#include "life/SkyModel.h"
#include "platform/Clock.h"
#include "rooms/RoomCat.h"
#include "rooms/RoomCatState.h"
#include "rooms/RoomScene.h"
#include "scenery/PoolPaint.h"

#include <QPainter>

namespace kp {

RoomPhotographer::RoomPhotographer(AppState& state, Closet& closet, Pomodoro& pomodoro, Wallet& wallet,
                                   Defaults& store, Clock& clock, NotificationCenter& hub)
    : state_(state), clock_(clock), cat_(std::make_unique<RoomCatLayer>(clock, hub, store)) {
    models_.state = &state;
    models_.life = &state.life();
    models_.closet = &closet;
    models_.pomodoro = &pomodoro;
    models_.wallet = &wallet;
}

RoomPhotographer::~RoomPhotographer() = default;

bool RoomPhotographer::catAtHome() const { return !state_.life().isOut(); }

void RoomPhotographer::paint(QPainter& p, const QRectF& rect, double t) {
    const PetLife& life = state_.life();
    RoomFrame f;
    f.t = t;
    f.width = rect.width();
    f.height = rect.height();
    f.floorLine = room::floorLine(f.height);
    f.kind = life.room();
    f.look = lookSource_ ? lookSource_() : SkyModel::shared().look();
    f.holiday = holidayOfTheDay(t, life.birth());
    f.notchWidth = state_.notchWidth;
    f.showsNightSleep = life.isNightSleeping() && f.kind == IslandRoomKind::bedroom;
    f.ballX = (life.ballPlace() + life.ballSide() * 0.04 * life.ballRoll()) * f.width;

    RoomSceneInputs in;
    in.dead = life.isDead();
    in.catOut = life.isOut();
    in.inHouse = life.inHouse();
    const RoomStackPlan plan = planRoomStack(f, in);

    // A photo fills a large picture: drawn from the pool, each fill goes in one piece instead of
    // being split over the pool's threads and waited for.
    scenery::paintInPool([&] { paintScene(p, rect.topLeft(), f, plan); });
}

void RoomPhotographer::paintScene(QPainter& p, QPointF at, const RoomFrame& f, const RoomStackPlan& plan) {
    const PetLife& life = state_.life();
    RoomHotspots none;
    p.save();
    p.translate(at);
    p.setClipRect(QRectF(0, 0, f.width, f.height), Qt::IntersectClip);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (plan.gardenBackdrop)
        backdrop_.paintGarden(p, f);
    else
        backdrop_.paintWalls(p, f);
    if (plan.holiday) backdrop_.paintHoliday(p, f);
    furniture_.paint(p, f, models_, none);
    if (plan.holiday) backdrop_.paintHoliday(p, f, true);
    if (plan.cat) {
        const CatOutfit& worn = models_.closet ? models_.closet->outfit() : CatOutfit::empty();
        cat_->paintState(p, roomCatState(life, f, false, clock_.now()), worn);
        if (plan.houseFront) RoomFurnitureLayer::paintHouseFront(p, f);
    }
    if (plan.gardenWeather) backdrop_.paintGardenWeather(p, f);
    if (plan.nightTint) backdrop_.paintNightTint(p, f, 1);
    p.restore();
}

QImage RoomPhotographer::photo(double scale) {
    if (!catAtHome()) return {};
    const QSizeF size(room::openIslandWidth, room::openIslandHeight);
    QImage image(qRound(size.width() * scale), qRound(size.height() * scale), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter p(&image);
    paint(p, QRectF(QPointF(0, 0), size), clock_.now());
    return image;
}

}  // namespace kp
