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
#include "platform/Spring.h"
#include "rooms/Petting.h"
#include "rooms/RoomCards.h"
#include "rooms/RoomCat.h"
#include "rooms/TopBar.h"
#include "scenery/PixelBlend.h"
#include "scenery/PoolPaint.h"
#include "scenery/Sprites.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTimer>

#include <algorithm>
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
    frameTimer_->setSingleShot(true);
    connect(frameTimer_, &QTimer::timeout, this, [this] {
        // The system's own clock, whatever clock the room shows: frames are real time.
        frameTimer_->start(pacer_.next(SystemClock::shared().monotonic()));
        life_.catchUpMotion();
        emit frameDue();
    });
    tapSound_ = [this] { state_.playPetSound(PetSound::tap); };
    topBar_->setOnRoomSelected([this](IslandRoomKind) { beginRoomChange(); });
}

IslandRoomView::~IslandRoomView() = default;

namespace {

// Clears `where` on a kept layer and draws there again, through `sprites`' filtering painter, only
// the shapes that meet it. Cleared rectangle by rectangle: under a clip of many rectangles the
// raster engine would hand the clear's lines to the pool in pieces.
template <typename Draw>
void redrawLayer(QImage& layer, const QRegion& where, RoomSprites& sprites, double scale, QSize pixels, Draw&& draw) {
    QPainter q(&layer);
    q.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& r : where) q.fillRect(r, Qt::transparent);
    q.setCompositionMode(QPainter::CompositionMode_SourceOver);
    q.setRenderHint(QPainter::Antialiasing, true);
    draw(sprites.filter(q, where, scale, pixels));
    sprites.endFilter();
}

// Fine garden weather is a few drifting things (falling leaves, by night fireflies), found where
// they are and drawn over the frame there; rain and snow move over all of the garden.
bool fineWeather(const RoomStackPlan& plan, const RoomFrame& f) {
    return plan.gardenWeather && !plan.stormFlash &&
           (f.look.weather == SkyWeather::clear || f.look.weather == SkyWeather::cloudy);
}

}  // namespace

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
    life_.setSteppedByFrames(true);
    life_.followView(state_.roomKind());
    topBar_->roomDidAppear();
    onScreen_ = true;
    scenery::roomFrameWay().retry();
    const double now = SystemClock::shared().monotonic();
    pacer_.start(displayFramePeriod(QGuiApplication::primaryScreen()), now);
    frameTimer_->start(pacer_.next(now));
}

void IslandRoomView::roomDidDisappear() {
    life_.setWatched(false);
    life_.setSteppedByFrames(false);
    topBar_->roomDidDisappear();
    onScreen_ = false;
    frameTimer_->stop();
    pressed_.reset();
    hover_.reset();
    // Nothing takes a click until a frame shows it again: a tab clicked unseen would change the
    // room with nothing shown to fade from.
    hot_.clear();
    // What is kept to draw the next frame quickly goes while nothing is seen; the room comes back
    // drawn whole.
    cat_->dropKept();
    scene_ = QImage();
    still_ = QImage();
    over_ = QImage();
    overArea_ = QRegion();
    catArea_ = QRegion();
    leaves_ = QRegion();
    lastDevice_ = nullptr;
    leaving_ = QImage();
    leavingShown_ = 0;
    changeStart_.reset();
    lastPieces_.clear();
    backdropLayer_ = QImage();
    lastBackdrop_.clear();
    backdropBehind_ = QRegion();
    scenery::dropSprites();
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

void IslandRoomView::paint(QPainter& p, const QRectF& rect, double t) { paintFrame(p, rect, t, nullptr); }

std::optional<QRegion> IslandRoomView::paintChanges(QPainter& p, const QRectF& rect, double t, const QRegion& redo) {
    paintFrame(p, rect, t, &redo);
    return reach_;
}

std::optional<QRegion> IslandRoomView::paintChanges(QPainter& p, const QRectF& rect, const QRegion& redo) {
    return paintChanges(p, rect, clock_.now(), redo);
}

void IslandRoomView::paintFrame(QPainter& p, const QRectF& rect, double t, const QRegion* redo) {
    // Only the device this view painted last, at the same place, still holds its last frame.
    if (p.device() != lastDevice_ || rect != lastRect_) redo = nullptr;
    lastDevice_ = p.device();
    lastRect_ = rect;
    const QTransform& dt = p.deviceTransform();
    const double s = sceneScale_ = std::max(0.25, std::hypot(dt.m11(), dt.m12()));
    // A frame's CPU time is read only while the ways of drawing it are compared.
    const bool timed = scenery::mayHandOff(s) && scenery::roomFrameWay().trying();
    const double began = timed ? scenery::processSeconds() : 0;
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
    // A card asked for now is taken up before anything says whether one shows.
    cards_->update(f);

    p.save();
    p.translate(origin_);
    p.setClipRect(QRectF(0, 0, f.width, f.height), Qt::IntersectClip);
    p.setRenderHint(QPainter::Antialiasing, true);

    const QSize pixels(std::max(1, static_cast<int>(std::ceil(f.width * s))),
                       std::max(1, static_cast<int>(std::ceil(f.height * s))));

    const bool fine = fineWeather(plan_, f);
    QRegion leaves;
    if (fine) {
        // (The tint stands still, over everything: it is no piece.)
        backdrop_.paintGardenWeather(weather_.gather(s, pixels), f, false);
        for (const RoomSprites::Piece& piece : weather_.endGather()) leaves += piece.rect;
        leaves &= QRect(QPoint(), pixels);
    }

    // 1-3. Backdrop, holiday decoration and prop, furniture: the kept scene brought up to date.
    updateScene(s, pixels);
    // Storm flashes startle the cat once per storm period, on their rising edge.
    startleOnThunder(t);
    // The tint belongs to the bedroom: another room shows none, and coming back shows it as it is.
    if (f.kind != tintRoom_) tintFade_.settle();
    tintRoom_ = f.kind;
    const double tint = f.kind == IslandRoomKind::bedroom ? tintFade_.update(plan_.nightTint, t) : 0;
    const bool tintMoves = tint != lastTint_;
    lastTint_ = tint;
    // The bar's bare icons take an ink that reads on what is behind them, tint included.
    const QRectF zone = room::rightZone(f.width, f.notchWidth);
    const QPoint under = (QPointF(zone.right() - 8, zone.center().y()) * s).toPoint();
    QColor behind = scene_.rect().contains(under) ? scene_.pixelColor(under) : QColor(Qt::transparent);
    if (plan_.topBarOverTint) behind = chrome::mixed(behind, RoomBackdrop::nightColor(), 0.8 * tint * f.opening);
    topBar_->setBackdrop(behind);

    // 5-6. The bar and the cat group go on a layer of their own, cleared where they were: what
    // they cover is then known before anything is put on the device.
    const bool overFresh = over_.size() != scene_.size();
    const QRegion wasOver = overFresh ? QRegion(scene_.rect()) : overArea_;
    if (overFresh) over_ = QImage(scene_.size(), QImage::Format_ARGB32_Premultiplied);
    QRegion barPixels;
    for (const QRect& r : TopBar::area(f.width, f.notchWidth, wallet_.enabled()))
        barPixels += QRectF(r.x() * s, r.y() * s, r.width() * s, r.height() * s).toAlignedRect();
    // The bar is first drawn on a painter that only gathers how it is drawn (and offers its
    // buttons): drawn the same way where it was, and with no cat cleared from over it, the layer
    // still holds it.
    topBar_->paint(barSprites_.gather(s, scene_.size()), f, hot_);
    std::vector<RoomSprites::Piece> bar = barSprites_.endGather();
    const bool sameBar = plan_.topBarOverTint == lastBarOverTint_ && bar == lastBar_ && barPixels == lastBarPixels_;
    lastBar_ = std::move(bar);
    const bool barStands = !plan_.topBarOverTint && sameBar && !overFresh && !catArea_.intersects(barPixels);
    // The bar is kept on a picture of its own, drawn again only when it changed: laid on the layer,
    // or over the night tint after it. Laying it again where the cat group passed over it is a
    // copy, where drawing it would fill its rings, pill and texts again.
    QRegion barRedo;
    const bool barDrawn = !sameBar || bar_.isNull();
    if (barDrawn) {
        const QRect box = barPixels.boundingRect();
        // Over the tint, where the bar was is drawn again too; on the layer, its pixels tell.
        if (plan_.topBarOverTint) barRedo = barPixels | QRegion(QRect(barAt_, bar_.size()));
        bar_ = QImage(box.size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
        bar_.fill(Qt::transparent);
        barAt_ = box.topLeft();
        QPainter b(&bar_);
        b.setRenderHint(QPainter::Antialiasing, true);
        b.translate(-box.topLeft());
        b.scale(s, s);
        RoomHotspots offered;  // the gathering painter offered them already
        scenery::paintLargeFills(s, [&] { topBar_->paint(b, f, offered); });
    }
    lastBarPixels_ = barPixels;
    // The bar beside the notch (above the night tint while the cat sleeps the night); a cat up on
    // a perch passes over it. Where the bar is the same, only what the cat group covered of it is
    // put back, and what the cat group changed tells what changed there.
    const bool barOnLayer = !plan_.topBarOverTint && !barStands;
    {
        const bool barKept = barOnLayer && !barDrawn && !overFresh;
        const QRegion barPut = !barOnLayer ? QRegion() : barKept ? barPixels & catArea_ : barPixels;
        QPainter o(&over_);
        o.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QRect& r : barStands || barKept ? wasOver - barPixels : wasOver) o.fillRect(r, Qt::transparent);
        for (const QRect& r : barPut) o.drawImage(r.topLeft(), bar_, r.translated(-barAt_));
        o.setCompositionMode(QPainter::CompositionMode_SourceOver);
        o.setRenderHint(QPainter::Antialiasing, true);
        o.scale(s, s);
        if (plan_.cat) paintCatGroup(o);
    }
    QRegion catArea;
    if (plan_.cat) {
        catArea = cat_->area() | cat_->reactionsArea();
        if (plan_.houseFront) catArea |= RoomFurnitureLayer::houseFrontArea(f, s);
    }
    catArea &= scene_.rect();
    const QRegion wasCat = std::exchange(catArea_, catArea);
    // Where the cat group's pixels changed: what of it changed, moved, came or went. A still cat
    // is laid again only where something else changed over or under it.
    const QRegion catChanged =
        plan_.cat ? ((cat_->changed() | cat_->reactionsChanged()) & scene_.rect()) | catArea.xored(wasCat) : wasCat;
    overArea_ = (plan_.topBarOverTint ? QRegion() : barPixels) | catArea;
    // The bar is laid again only when it was drawn again.
    const bool barMoved = plan_.topBarOverTint ? !barRedo.isEmpty() : barOnLayer && barDrawn;
    const bool barMoves = plan_.topBarOverTint != lastBarOverTint_;
    lastBarOverTint_ = plan_.topBarOverTint;

    const QRegion wasLeaves = std::exchange(leaves_, leaves);

    // Whatever covers the room, or fades or flashes over it, may change any pixel.
    const bool whole = !redo || sceneWhole_ || changeStart_ || tintMoves || barMoves || plan_.stormFlash ||
                       (plan_.gardenWeather && !fine) || f.opening < 1 || cards_->showsAny();
    // Else only where the scene was drawn again, where the cat group changed, where the leaves
    // were and are, the bar when it changed, and what the host asks for.
    const QRegion redone = whole ? QRegion(scene_.rect())
                                 : (sceneDamage_ | catChanged | wasLeaves | leaves |
                                    (barMoved ? barPixels | barRedo : QRegion()) | *redo) &
                                       scene_.rect();

    // The scene, then the layer above it, rectangle by rectangle in the scene's pixels: each is
    // copied straight, where a clip of many rectangles would send every row through the span filler.
    const auto lay = [&](const QImage& image, const QRegion& where, QPainter::CompositionMode mode) {
        p.save();
        p.scale(1 / s, 1 / s);
        p.setCompositionMode(mode);
        for (const QRect& r : where) p.drawImage(r.topLeft(), image, r);
        p.restore();
    };
    // The fine garden's evening tint (none by day), over the scene and the cat group: where the
    // cat group is not, put down as the scene is laid, in one pass over the pixels.
    QColor tinge = fine ? RoomBackdrop::gardenTint(f) : QColor(Qt::transparent);
    tinge.setAlphaF(tinge.alphaF() * f.opening);
    QRegion tintedLay = !whole && tinge.alpha() > 0 ? redone - overArea_ : QRegion();
    if (!tintedLay.isEmpty()) {
        p.save();
        p.scale(1 / s, 1 / s);
        if (!scenery::layTinted(p, scene_, tintedLay, scenery::solidPixel(tinge))) tintedLay = QRegion();
        p.restore();
    }
    const QRegion untinted = tintedLay.isEmpty() ? redone : redone - tintedLay;
    lay(scene_, untinted, QPainter::CompositionMode_Source);
    // 4. Storm flash.
    if (whole && plan_.stormFlash) backdrop_.paintStormFlash(p, f);
    lay(over_, overArea_ & redone, QPainter::CompositionMode_SourceOver);
    // 7. Garden weather: the fine weather's few pieces drawn here, over the tint where it did not
    // go down with the scene (they lie where the frame was laid again); rain and snow on the
    // frame, at high pixel ratios on a pool thread, so that their fills are not split over the pool.
    if (fine) {
        if (tinge.alpha() > 0) {
            p.save();
            p.scale(1 / s, 1 / s);
            p.setRenderHint(QPainter::Antialiasing, false);
            for (const QRect& r : untinted) p.fillRect(r, tinge);
            p.restore();
        }
        backdrop_.paintGardenWeather(p, f, false);
    } else if (plan_.gardenWeather) {
        scenery::paintFrameWork(s, [&] { backdrop_.paintGardenWeather(p, f); });
    }
    // 8. Night tint, easing in and out with the night sleep, and the bar over it.
    if (tint > 0)
        for (const QRect& r : redone) {
            p.save();
            p.setClipRect(QRectF(r.x() / s, r.y() / s, r.width() / s, r.height() / s), Qt::IntersectClip);
            backdrop_.paintNightTint(p, f, tint * f.opening);
            p.restore();
        }
    if (plan_.topBarOverTint) {
        p.save();
        p.scale(1 / s, 1 / s);
        for (const QRect& r : barPixels & redone)
            p.drawImage(r.topLeft(), bar_, r.translated(-barAt_));
        p.restore();
    }
    // The room left by a tab click fades out over all of this one but the bar.
    if (whole) paintLeaving(p, t, barPixels);
    // 9. Cards.
    if (whole) paintCards(p);

    p.restore();
    reach_ = whole ? std::nullopt : std::optional(redone);
    // What a frame drawn over the last one cost tells which way such frames go.
    if (!whole && scenery::mayHandOff(s)) scenery::roomFrameWay().add(timed ? scenery::processSeconds() - began : 0);
}

void IslandRoomView::paintBehind(QPainter& p, RoomHotspots& hot) {
    const RoomFrame& f = frame_;
    if (plan_.holiday) backdrop_.paintHoliday(p, f);
    RoomFrame pass = f;
    pass.pass = RoomPass::behind;
    furniture_.paint(p, pass, models_, hot);
}

void IslandRoomView::paintInFront(QPainter& p, RoomHotspots& hot) {
    RoomFrame pass = frame_;
    pass.pass = RoomPass::moving;
    furniture_.paint(p, pass, models_, hot);
    if (plan_.holiday) backdrop_.paintHoliday(p, frame_, true);
}

void IslandRoomView::updateScene(double scale, QSize pixels) {
    const RoomFrame& f = frame_;
    // What the still pieces show is looked at once a second: a bought or put away piece shows
    // within a second.
    const auto second = static_cast<long long>(std::floor(f.t));
    if (second != stillSecond_) {
        stillSecond_ = second;
        stillInputs_ = RoomFurnitureLayer::stillInputs(f, models_);
    }
    SceneKey key;
    key.kind = f.kind;
    key.pixels = pixels;
    key.scale = scale;
    key.opening = f.opening;
    key.look = f.look;
    key.holiday = plan_.holiday ? f.holiday : std::nullopt;
    key.nightSleep = f.showsNightSleep;
    key.stillInputs = stillInputs_;

    SceneKey stillKey = key;
    stillKey.holiday.reset();
    stillKey.nightSleep = false;
    if (f.kind != IslandRoomKind::garden) stillKey.look = {};  // only the garden's house shows the snow
    if (!(stillKey == stillKey_) || still_.size() != pixels) {
        stillKey_ = stillKey;
        if (still_.size() != pixels) still_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        still_.fill(Qt::transparent);
        QPainter q(&still_);
        q.setRenderHint(QPainter::Antialiasing, true);
        q.scale(scale, scale);
        RoomFrame pass = f;
        pass.pass = RoomPass::still;
        RoomHotspots none;
        furniture_.paint(q, pass, models_, none);
        q.end();
        // Laid only where it has ink: the garden's is one small house.
        stillInk_ = scenery::inkBounds(still_);
    }

    // The garden's backdrop is kept on a layer of its own: where only what stands over it moved,
    // it is copied, not drawn again.
    const bool layered = plan_.gardenBackdrop;
    std::vector<RoomSprites::Piece> backdrop;
    if (layered) {
        backdrop_.paintGarden(backdropSprites_.gather(scale, pixels), f);
        backdrop = backdropSprites_.endGather();
    }
    // Where the moving pieces lie this frame and which changed: drawn once on a painter that only
    // gathers (it fills nothing, so it needs no pool thread).
    QPainter& g = sprites_.gather(scale, pixels);
    gathered_.clear();
    paintBehind(g, gathered_);
    paintInFront(g, gathered_);
    const std::vector<RoomSprites::Piece>& pieces = sprites_.endGather();
    const bool whole = !(key == sceneKey_) || scene_.size() != pixels;
    sceneKey_ = key;
    if (scene_.size() != pixels) scene_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    QRegion backdropDamage;
    if (layered) {
        const bool fresh = whole || backdropLayer_.size() != pixels;
        if (backdropLayer_.size() != pixels) backdropLayer_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        backdropDamage = fresh ? QRegion(scene_.rect()) : RoomSprites::damage(backdrop, lastBackdrop_) & scene_.rect();
        lastBackdrop_ = std::move(backdrop);
    } else {
        backdropLayer_ = QImage();
        lastBackdrop_.clear();
        backdropBehind_ = QRegion();
    }
    const QRegion damage =
        whole ? QRegion(scene_.rect()) : (RoomSprites::damage(pieces, lastPieces_) | backdropDamage) & scene_.rect();
    lastPieces_ = pieces;
    sceneDamage_ = damage;
    sceneWhole_ = whole;
    if (damage.isEmpty()) {
        // Nothing moved a visible step: the kept scene stands, and no thread is woken for it.
        hot_ = gathered_;
        return;
    }

    // Only the damaged rectangles are drawn again, each layer in its order; of the moving pieces
    // only the shapes that meet them. At high pixel ratios on a pool thread: from there the raster
    // engine fills each shape in one go instead of handing its spans to the pool.
    scenery::paintFrameWork(scale, [&] {
        hot_.clear();
        // Where the backdrop changed it is drawn straight on the scene, and its layer falls behind
        // there; where only what stands over it changed, it is copied from the layer, brought up
        // to date first where it fell behind. The lawn that sways every frame never touches it.
        QRegion copied;
        if (layered) {
            copied = damage - backdropDamage;
            if (const QRegion behind = copied & backdropBehind_; !behind.isEmpty()) {
                redrawLayer(backdropLayer_, behind, backdropSprites_, scale, pixels,
                            [&](QPainter& b) { backdrop_.paintGarden(b, f); });
                backdropBehind_ -= behind;
            }
            backdropBehind_ |= backdropDamage;
            if (!backdropDamage.isEmpty())
                redrawLayer(scene_, backdropDamage, backdropSprites_, scale, pixels,
                            [&](QPainter& b) { backdrop_.paintGarden(b, f); });
        }
        QPainter q(&scene_);
        q.setCompositionMode(QPainter::CompositionMode_Source);
        // Whole pictures and clears go down rectangle by rectangle, before the damage clips: under
        // that clip the raster engine would hand their lines to the pool in pieces.
        if (layered)
            for (const QRect& r : copied) q.drawImage(r.topLeft(), backdropLayer_, r);
        else
            for (const QRect& r : damage) q.fillRect(r, Qt::transparent);
        q.setClipRegion(damage);
        q.setRenderHint(QPainter::Antialiasing, true);
        if (!layered) {
            q.setCompositionMode(QPainter::CompositionMode_SourceOver);
            q.save();
            q.scale(scale, scale);
            backdrop_.paintWalls(q, f);
            q.restore();
        }
        q.setCompositionMode(QPainter::CompositionMode_SourceOver);
        paintBehind(sprites_.filter(q, damage, scale, pixels), hot_);
        sprites_.endFilter();
        q.setTransform(QTransform());
        q.setClipping(false);
        q.setOpacity(1);
        q.setCompositionMode(QPainter::CompositionMode_SourceOver);
        for (const QRect& r : damage)
            if (const QRect inked = r & stillInk_; !inked.isEmpty()) q.drawImage(inked.topLeft(), still_, inked);
        q.setClipRegion(damage);
        paintInFront(sprites_.filter(q, damage, scale, pixels), hot_);
        sprites_.endFilter();
    });
}

void IslandRoomView::beginRoomChange() {
    scenery::roomFrameWay().retry();  // another room draws other things
    // The room fades out as the last frame showed it: the kept scene with the storm's flash, the
    // cat group, the garden's weather and the night tint over it as they were, and the room a
    // click before this one still fading in it. The bar is left out: it stays, and springs.
    if (scene_.isNull()) return;
    const RoomFrame& f = frame_;
    const double s = sceneScale_;
    QImage leaving = scene_;
    {
        QPainter q(&leaving);
        q.setRenderHint(QPainter::Antialiasing, true);
        q.scale(s, s);
        if (plan_.stormFlash) backdrop_.paintStormFlash(q, f);
        q.save();
        q.resetTransform();
        for (const QRect& r : catArea_) q.drawImage(r.topLeft(), over_, r);
        q.restore();
        const bool fine = fineWeather(plan_, f);
        leavingTinge_ = plan_.gardenWeather ? RoomBackdrop::gardenTint(f) : QColor(Qt::transparent);
        leavingTinge_.setAlphaF(leavingTinge_.alphaF() * f.opening);
        if (fine) {
            if (leavingTinge_.alpha() > 0) q.fillRect(QRectF(0, 0, f.width, f.height), leavingTinge_);
            backdrop_.paintGardenWeather(q, f, false);
        } else if (plan_.gardenWeather) {
            scenery::paintFrameWork(s, [&] { backdrop_.paintGardenWeather(q, f); });
        }
        if (lastTint_ > 0) backdrop_.paintNightTint(q, f, lastTint_ * f.opening);
        if (changeStart_ && !leaving_.isNull() && leavingShown_ > 0) {
            q.setOpacity(leavingShown_);
            q.scale(1 / leavingScale_, 1 / leavingScale_);
            q.drawImage(QPointF(0, 0), leaving_);
        }
    }
    // The cat group was laid over the bar on its layer: there the bar fades out with it.
    leavingBar_ = lastBarOverTint_ ? QRegion() : catArea_ & lastBarPixels_;
    leaving_ = std::move(leaving);
    leavingScale_ = s;
    leavingShown_ = 1;
    changeStart_ = clock_.now();
}

void IslandRoomView::paintLeaving(QPainter& p, double t, const QRegion& barPixels) {
    if (!changeStart_) return;
    const double elapsed = std::max(0.0, t - *changeStart_);
    const double shown = std::clamp(1 - springProgress(elapsed, changeResponse, changeDamping), 0.0, 1.0);
    if (shown <= 0.002 || leaving_.isNull()) {
        changeStart_.reset();
        leaving_ = QImage();
        leavingShown_ = 0;
        return;
    }
    leavingShown_ = shown;
    p.save();
    p.setOpacity(shown);
    p.scale(1 / leavingScale_, 1 / leavingScale_);
    // Where the bar is, the leaving room fades with the bar as it is now over it: the bar, drawn
    // under it in this frame, then shows the same whatever the fade.
    const QRegion bar = leavingScale_ == sceneScale_ ? (barPixels & leaving_.rect()) - leavingBar_ : QRegion();
    for (const QRect& r : QRegion(leaving_.rect()) - bar) p.drawImage(r.topLeft(), leaving_, r);
    for (const QRect& r : bar) {
        QImage over = bar_.copy(r.translated(-barAt_));
        QPainter o(&over);
        if (leavingTinge_.alpha() > 0) {
            o.setCompositionMode(QPainter::CompositionMode_SourceAtop);
            o.fillRect(over.rect(), leavingTinge_);
        }
        o.setCompositionMode(QPainter::CompositionMode_DestinationOver);
        o.drawImage(QPoint(0, 0), leaving_, r);
        o.end();
        p.drawImage(r.topLeft(), over);
    }
    p.restore();
}

void IslandRoomView::startleOnThunder(double t) {
    if (const auto period = thunder_.update(plan_.stormFlash ? frame_.flash : 0, t)) life_.startle(*period);
}

void IslandRoomView::paintCatGroup(QPainter& p) {
    const RoomFrame& f = frame_;
    cat_->paint(p, f, models_, hot_);
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
