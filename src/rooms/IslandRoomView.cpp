#include "rooms/IslandRoomView.h"

#include "app/AppState.h"
#include "core/Notifications.h"
#include "cat/Closet.h"
#include "life/PetLife.h"
#include "life/Pomodoro.h"
#include "life/SkyClock.h"
#include "life/SkyModel.h"
#include "life/Wallet.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "rooms/Petting.h"
#include "rooms/RoomCards.h"
#include "rooms/RoomCat.h"
#include "rooms/TopBar.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <cmath>
#include <string>

namespace kp {

IslandRoomView::IslandRoomView(AppState& state, Closet& closet, Pomodoro& pomodoro, Wallet& wallet, Defaults& store,
                               Clock& clock, Scheduler& scheduler, NotificationCenter& hub, QObject* parent)
    : QObject(parent),
      state_(state),
      closet_(closet),
      pomodoro_(pomodoro),
      wallet_(wallet),
      store_(store),
      clock_(clock),
      hub_(hub),
      life_(state.life()),
      topBar_(std::make_unique<TopBar>(state, wallet, clock, scheduler, hub)),
      cat_(std::make_unique<RoomCatLayer>(clock, hub, store)),
      cards_(std::make_unique<RoomCards>(state, pomodoro, wallet, store, clock, hub)) {
    models_.state = &state_;
    models_.life = &life_;
    models_.closet = &closet_;
    models_.pomodoro = &pomodoro_;
    models_.wallet = &wallet_;
    frameTimer_ = new QTimer(this);
    frameTimer_->setTimerType(Qt::PreciseTimer);
    frameTimer_->setInterval(slowFrameMs);
    connect(frameTimer_, &QTimer::timeout, this, &IslandRoomView::frameDue);
    tapSound_ = [this] { state_.playPetSound(PetSound::tap); };
    for (chrome::LayerCache* layer : {&still_, &scene_, &weather_, &holidayLayer_}) layer->setDrawnInPool(true);
}

IslandRoomView::~IslandRoomView() = default;

void IslandRoomView::setBreed(CatBreed breed) {
    cat_->setBreed(breed);
}

void IslandRoomView::setMusicSource(std::function<bool()> playing) { cat_->setMusicSource(std::move(playing)); }

void IslandRoomView::setAlbumUnseenSource(std::function<int()> unseen) {
    topBar_->setAlbumUnseenSource(std::move(unseen));
}

// ---- Lifecycle ----

void IslandRoomView::roomDidAppear() {
    // setWatched gives the cat its meow at the watcher when it was not watched before.
    life_.setWatched(true);
    life_.followView(state_.roomKind());
    topBar_->roomDidAppear();
    onScreen_ = true;
    frameTimer_->start();
}

void IslandRoomView::roomDidDisappear() {
    life_.setWatched(false);
    topBar_->roomDidDisappear();
    onScreen_ = false;
    frameTimer_->stop();
    pressed_.reset();
    hover_.reset();
}

// ---- Frame ----

RoomFrame IslandRoomView::makeFrame(QSizeF size, double t) {
    RoomFrame f;
    f.t = t;
    f.width = size.width();
    f.height = size.height();
    f.floorLine = room::floorLine(f.height);
    f.opening = room::openingFraction(islandHeight_);
    f.kind = state_.roomKind();
    f.look = lookSource_ ? lookSource_() : SkyModel::shared().look();
    const auto minute = static_cast<long long>(std::floor(t / 60));
    if (minute != holidayMinute_ || life_.birth() != holidayBirth_) {
        holidayMinute_ = minute;
        holidayBirth_ = life_.birth();
        holiday_ = holidayOfTheDay(t, life_.birth());
    }
    f.holiday = holiday_;
    f.notchWidth = state_.notchWidth;
    f.breed = cat_->breed();
    f.showsNightSleep = showsNightSleep(life_, f.kind);
    f.flash = f.look.weather == SkyWeather::storm ? lightningFlash(t) : 0;
    f.ballX = (life_.ballPlace() + life_.ballSide() * 0.04 * life_.ballRoll()) * f.width;
    if (hover_) f.pointer = hover_;
    f.pointerDown = pressed_.has_value();
    return f;
}

void IslandRoomView::paint(QPainter& p, const QRectF& rect) { paint(p, rect, clock_.now()); }

void IslandRoomView::paint(QPainter& p, const QRectF& rect, double t) {
    origin_ = rect.topLeft();
    frame_ = makeFrame(rect.size(), t);
    const RoomFrame& f = frame_;

    RoomSceneInputs in;
    in.dead = life_.isDead();
    in.catOut = life_.isOut();
    in.catInShownRoom = life_.room() == life_.viewRoom();
    in.inHouse = life_.inHouse();
    in.introStep = pomodoro_.introStep();
    in.shopOn = wallet_.enabled();
    in.offerTomatoClock = cards_->shouldOfferTomatoClock();
    plan_ = planRoomStack(f, in);

    p.save();
    p.translate(origin_);
    p.setClipRect(QRectF(0, 0, f.width, f.height), Qt::IntersectClip);
    p.setRenderHint(QPainter::Antialiasing, true);

    // 1-3. Backdrop, holiday decoration and prop, furniture: kept between their steps.
    paintScene(p);
    // 4. Storm flash; its rising edge startles the cat once per storm period.
    if (plan_.stormFlash) backdrop_.paintStormFlash(p, f);
    startleOnThunder(t);
    // The tint belongs to the bedroom: another room shows none, and coming back shows it as it is.
    if (f.kind != tintRoom_) tintFade_.settle();
    tintRoom_ = f.kind;
    const double tint = f.kind == IslandRoomKind::bedroom ? tintFade_.update(plan_.nightTint, t) : 0;
    // The bar's bare icons take an ink that reads on what is behind them, tint included.
    const QRectF zone = room::rightZone(f.width, f.notchWidth);
    QColor behind = scene_.colorAt(QPointF(zone.right() - 8, zone.center().y()));
    if (plan_.topBarOverTint) behind = chrome::mixed(behind, RoomBackdrop::nightColor(), 0.8 * tint * f.opening);
    topBar_->setBackdrop(behind);
    // 5. The cat with the house front and its reactions.
    if (plan_.cat) paintCatGroup(p);
    // 6. The bar beside the notch, over the cat so that a cat up on a perch leaves the status
    // line readable (and over the night tint while the cat sleeps the night).
    if (!plan_.topBarOverTint) topBar_->paint(p, f, hot_);
    // 7. Garden weather, kept between the scene's steps too.
    if (plan_.gardenWeather) {
        SceneKey key = sceneKey(f);
        key.flash = f.flash;
        if (!(key == weatherKey_)) weather_.invalidate();
        weatherKey_ = key;
        weather_.draw(p, QRectF(0, 0, f.width, f.height), [&](QPainter& q) { backdrop_.paintGardenWeather(q, f); });
    }
    // 8. Night tint, easing in and out with the night sleep.
    backdrop_.paintNightTint(p, f, tint * f.opening);
    if (plan_.topBarOverTint) topBar_->paint(p, f, hot_);
    // 9. Cards.
    paintCards(p);

    p.restore();
    followMotion();
}

void IslandRoomView::followMotion() {
    // Every display frame while something springs or walks; half as many while the room only
    // sways, flickers and breathes.
    const RoomCatState& c = cat_->state();
    const std::array<double, 5> pose{c.x, c.y, c.facingWidth, c.springTilt, c.sit};
    double moved = 0;
    for (std::size_t i = 0; i < pose.size(); ++i) moved = std::max(moved, std::abs(pose[i] - catPose_[i]));
    catPose_ = pose;
    const bool fast = moved > 0.05 || frame_.opening < 1 || furniture_.isMoving() || topBar_->isAnimating();
    const int interval = fast ? fastFrameMs : slowFrameMs;
    if (frameTimer_->interval() != interval) frameTimer_->setInterval(interval);
}

IslandRoomView::SceneKey IslandRoomView::sceneKey(const RoomFrame& f) const {
    SceneKey k;
    // A spring in the furniture steps every frame until it settles.
    k.tick = furniture_.isMoving() ? -2 - static_cast<long long>(std::floor(f.t * 120))
                                   : static_cast<long long>(std::floor(f.t * sceneRate));
    k.kind = f.kind;
    k.size = QSizeF(f.width, f.height);
    k.opening = f.opening;
    k.look = f.look;
    k.holiday = plan_.holiday ? f.holiday : std::nullopt;
    k.nightSleep = f.showsNightSleep;
    return k;
}

void IslandRoomView::paintScene(QPainter& p) {
    const RoomFrame& f = frame_;
    const QRectF area(0, 0, f.width, f.height);
    const SceneKey key = sceneKey(f);
    if (!(key == sceneKey_)) scene_.invalidate();
    sceneKey_ = key;
    scene_.draw(p, area, [&](QPainter& q) {
        sceneHot_.clear();
        if (plan_.gardenBackdrop) {
            // The garden's sky drifts behind everything: it is all drawn at the scene's rate.
            backdrop_.paintGarden(q, f);
            paintHoliday(q, key);
            furniture_.paint(q, f, models_, sceneHot_);
            return;
        }
        // Walls and the pieces that stand still, kept until the room or what they show changes
        // (looked at once a second: a bought or put away piece shows within a second).
        const auto second = static_cast<long long>(std::floor(f.t));
        if (second != stillSecond_) {
            stillSecond_ = second;
            stillInputs_ = RoomFurnitureLayer::stillInputs(f, models_);
        }
        SceneKey still = key;
        still.tick = furniture_.isMoving() ? key.tick : stillInputs_;
        still.look = {};
        still.holiday.reset();
        still.nightSleep = false;
        if (!(still == stillKey_)) still_.invalidate();
        stillKey_ = still;
        still_.draw(q, area, [&](QPainter& r) {
            backdrop_.paintWalls(r, f);
            RoomFrame pass = f;
            pass.pass = RoomPass::still;
            RoomHotspots none;
            furniture_.paint(r, pass, models_, none);
        });
        RoomFrame pass = f;
        pass.pass = RoomPass::moving;
        furniture_.paint(q, pass, models_, sceneHot_);
        // The holiday's decoration and prop stand in front of the furniture, so they are seen.
        paintHoliday(q, key);
    });
    hot_ = sceneHot_;
}

void IslandRoomView::paintHoliday(QPainter& p, const SceneKey& scene) {
    if (!plan_.holiday) return;
    const RoomFrame& f = frame_;
    // Twinkling lights and swaying mobiles step at half the scene's rate.
    SceneKey key = scene;
    key.tick = static_cast<long long>(std::floor(f.t * sceneRate / 2));
    if (!(key == holidayKey_)) holidayLayer_.invalidate();
    holidayKey_ = key;
    holidayLayer_.draw(p, QRectF(0, 0, f.width, f.height), [&](QPainter& q) { backdrop_.paintHoliday(q, f); });
}

void IslandRoomView::startleOnThunder(double t) {
    if (const auto period = thunder_.update(plan_.stormFlash ? frame_.flash : 0, t)) life_.startle(*period);
}

void IslandRoomView::paintCatGroup(QPainter& p) {
    const RoomFrame& f = frame_;
    // A cat up on a perch passes behind the name and status pill, which stays readable. (Its
    // last place tells; a cat on the floor is drawn without the clip.)
    const QRectF pill = TopBar::layout(f.width, f.notchWidth, wallet_.enabled()).pill;
    p.save();
    if (cat_->state().y - 50 < pill.bottom()) {
        QPainterPath outside;
        outside.addRect(QRectF(0, 0, f.width, f.height));
        QPainterPath capsule;
        capsule.addRoundedRect(pill, pill.height() / 2, pill.height() / 2);
        p.setClipPath(outside.subtracted(capsule), Qt::IntersectClip);
    }
    cat_->paint(p, f, models_, hot_);
    p.restore();
    if (plan_.houseFront) RoomFurnitureLayer::paintHouseFront(p, f);
    cat_->paintReactions(p, f, models_);
}

void IslandRoomView::paintCards(QPainter& p) { cards_->paint(p, frame_, hot_); }

// ---- Pointer ----

const RoomHotspot* IslandRoomView::hitTest(QPointF pos) const { return hot_.at(toRoom(pos)); }

bool IslandRoomView::isActionableAt(QPointF pos) const {
    const RoomHotspot* s = hitTest(pos);
    return s && s->enabled;
}

QString IslandRoomView::toolTipAt(QPointF pos) const {
    const RoomHotspot* s = hitTest(pos);
    if (!s) return {};
    if (s->help) return QString::fromUtf8(s->help);
    return s->helpText;
}

bool IslandRoomView::mousePress(QPointF pos) {
    const RoomHotspot* s = hitTest(pos);
    pressed_.reset();
    if (!s) return false;
    if (!s->enabled) return true;
    pressed_ = *s;
    if (s->tick && tapSound_) tapSound_();
    return true;
}

bool IslandRoomView::mouseRelease(QPointF pos) {
    if (!pressed_) return false;
    const RoomHotspot pressed = *pressed_;
    pressed_.reset();
    const QPointF at = toRoom(pos);
    if (!pressed.area.contains(at)) return true;
    perform(pressed.action);
    return true;
}

void IslandRoomView::mouseMove(QPointF pos) { hover_ = toRoom(pos); }

void IslandRoomView::mouseLeave() { hover_.reset(); }

// ---- Actions ----

void IslandRoomView::perform(const RoomAction& action) {
    if (topBar_->perform(action) || cards_->perform(action)) return;
    switch (action.kind) {
    case RoomActionKind::none: break;
    case RoomActionKind::errand:
        // A dead cat takes no errands; its buttons are disabled, this guards direct calls.
        if (!life_.isDead()) life_.send(static_cast<PetErrand>(action.arg));
        break;
    case RoomActionKind::cleanLitter: life_.clean(); break;
    case RoomActionKind::playToy: life_.play(static_cast<ShopItem>(action.arg)); break;
    case RoomActionKind::openWardrobe: openWardrobe(); break;
    case RoomActionKind::clock: clockAction(); break;
    case RoomActionKind::petCat: petCat(life_, hub_); break;
    case RoomActionKind::roomTab: {
        const auto room = static_cast<IslandRoomKind>(action.arg);
        life_.followView(room);
        state_.setRoomKind(room);
        break;
    }
    case RoomActionKind::openSettings: {
        static const char* const tabs[] = {nullptr, "wardrobe", "shop"};
        const char* tab = (action.arg > 0 && action.arg < 3) ? tabs[action.arg] : nullptr;
        if (tab)
            hub_.post(note::openFullSettings, std::string(tab));
        else
            hub_.post(note::openFullSettings);
        break;
    }
    case RoomActionKind::openAlbum: hub_.post(note::openAlbum); break;
    case RoomActionKind::card: break;
    case RoomActionKind::custom:
        if (customAction_) customAction_(action.arg);
        break;
    }
}

void IslandRoomView::clockAction() {
    switch (pomodoro_.phase()) {
    case Pomodoro::Phase::idle:
    case Pomodoro::Phase::restDone: pomodoro_.startFocus(); break;
    case Pomodoro::Phase::focusDone: pomodoro_.startBreak(); break;
    case Pomodoro::Phase::focus:
    case Pomodoro::Phase::rest: break;
    }
}

void IslandRoomView::openWardrobe() {
    closet_.markGiftsSeen();
    hub_.post(note::openFullSettings, std::string("wardrobe"));
}

}  // namespace kp
