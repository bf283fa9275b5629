// Errands and the 30 Hz motion step: walking (out of the room first when the errand lies
// elsewhere), acting, finishing with the errand's effects, and the hand-back to the idle beats.
#include "PetLife.h"

#include "platform/Clock.h"
#include "platform/Random.h"

#include <algorithm>
#include <cmath>

namespace kp {

namespace {

constexpr double kErrandSpeed = 0.18;   // room widths per second
constexpr double kHideSpeed = 0.45;
constexpr double kMaxWalkStep = 0.05;   // a stalled timer never teleports the cat
constexpr double kArrivedWithin = 0.012;
constexpr double kLeftExit = -0.08, kRightExit = 1.08;
constexpr double kLeftEntry = -0.06, kRightEntry = 1.06;

double reactionLifetime(PetReaction::Kind kind) {
    switch (kind) {
    case PetReaction::Kind::meow: return 1.9;
    case PetReaction::Kind::note: return 2.6;
    case PetReaction::Kind::heart:
    case PetReaction::Kind::grumble: return 1.4;
    }
    return 1.4;
}

int roomIndex(IslandRoomKind room) { return static_cast<int>(room); }

double raise(double v, double by) { return std::min(v + by, 100.0); }
double lower(double v, double by) { return std::max(v - by, 0.0); }

bool isTallPerch(PetErrand e) {
    return e == PetErrand::tvTop || e == PetErrand::fridgeTop || e == PetErrand::catShelf;
}

}  // namespace

double PetLife::approach(PetErrand e) const {
    switch (e) {
    case PetErrand::eat: return 0.5;
    case PetErrand::play: return ballPlace_ - 0.04 * ballSide_;
    case PetErrand::sleep: return 0.135;
    case PetErrand::watchTV: return 0.79;
    case PetErrand::scratch: return 0.6;
    case PetErrand::window: return 0.77;
    case PetErrand::drink: return 0.43;
    case PetErrand::sniff: return 0.59;
    case PetErrand::rest: return 0.415625;
    case PetErrand::tvTop:
    case PetErrand::catShelf:
    case PetErrand::carrierTop: return spot(e) - 0.05;
    case PetErrand::fridgeTop: return spot(e) + 0.06;
    case PetErrand::hide: return hideEdge_;
    default: return spot(e);
    }
}

std::optional<IslandRoomKind> PetLife::errandRoom(PetErrand e) const {
    switch (e) {
    case PetErrand::sleep: return IslandRoomKind::bedroom;
    case PetErrand::litter: return IslandRoomKind::care;
    case PetErrand::shelter:
    case PetErrand::stroll:
    case PetErrand::snowPlay: return IslandRoomKind::garden;
    case PetErrand::sulk: return sulkRoom_;
    default: return std::nullopt;
    }
}

bool PetLife::feed(ShopItem item) {
    if (item != ShopItem::treats && item != ShopItem::tuna && item != ShopItem::salmon) return false;
    if (whyNotEat()) return false;
    if (!send(PetErrand::eat)) return false;
    publish(meal_, item);
    return true;
}

void PetLife::setBeat(const Beat& beat, double t) {
    beat_ = beat;
    beatStarted_ = t;
}

void PetLife::sitAfter(double t, double length) {
    setBeat(Beat::sit(t + length), t);
    setPose(PetPose::sitting);
}

bool PetLife::walk(double target, double dt, double speed) {
    const double d = target - place_;
    if (std::abs(d) <= kArrivedWithin) {
        place_ = target;
        isStepping_ = false;
        return true;
    }
    const double step = std::min(dt * speed, std::abs(d));
    place_ += d > 0 ? step : -step;
    facingRight_ = d > 0;
    isStepping_ = true;
    switch (pose_) {
    case PetPose::hunting:
    case PetPose::scratching:
    case PetPose::eating:
    case PetPose::playing:
    case PetPose::healing: break;
    default: setPose(PetPose::walking);
    }
    return false;
}

void PetLife::startErrand(PetErrand e) {
    publish(toy_, std::nullopt);
    toyUntil_.reset();
    publish(inHouse_, false);
    switch (pose_) {
    case PetPose::watching:
    case PetPose::perched:
    case PetPose::drinking:
    case PetPose::sniffing:
    case PetPose::resting:
    case PetPose::lookout:
    case PetPose::hiding:
        errand_.reset();
        break;
    default: break;
    }
    // Whatever was being acted is over: left running, its end would finish the new errand
    // on the spot, effects and all, without the cat ever walking to it.
    actingUntil_.reset();
    if (isSleeping_) setSleeping(false);
    isZooming_ = false;
    if (e == PetErrand::play) {
        ballSide_ = ballPlace_ < 0.6 ? 1 : -1;
        inspectingLitter_ = false;
    } else {
        if (e != PetErrand::litter) inspectingLitter_ = false;
        if (e == PetErrand::hide) hideEdge_ = place_ < 0.5 ? -0.03 : 1.03;
    }
    errand_ = e;
    nextChew_.reset();
    setPose(PetPose::walking);
}

void PetLife::routeToward(IslandRoomKind target, double dt) {
    const bool onward = roomIndex(target) > roomIndex(room_);
    if (!walk(onward ? kRightExit : kLeftExit, dt, kErrandSpeed)) return;
    // Straight into the target room; the rooms between are skipped.
    room_ = target;
    place_ = onward ? kLeftEntry : kRightEntry;
    facingRight_ = onward;
}

void PetLife::motionStep() {
    const double t = now();
    const double elapsed = t - lastMotion_;
    lastMotion_ = t;
    std::erase_if(reactions_, [t](const PetReaction& r) { return t - r.born > reactionLifetime(r.kind); });

    meowAtWatcher(t);
    watchCursor(t);

    // Toys run out; the laser lasts exactly as long as the zoomies.
    const bool toyOver = toy_ && (*toy_ == ShopItem::laser ? !isZooming_ : t >= toyUntil_.value_or(t));
    if (toyOver) {
        publish(toy_, std::nullopt);
        toyUntil_.reset();
    }
    if (thudDue_ && t >= *thudDue_) {
        thudDue_.reset();
        if (isVisible()) sound(PetSound::thud);
    }
    if (isDead_ || isOut_) {
        isStepping_ = false;
        return;
    }
    if (arrivalDue_ && t >= *arrivalDue_) {
        arrive(t);
        return;
    }
    if (isSleeping_) {
        isStepping_ = false;
        return;
    }
    if (actingUntil_ && errand_ && t >= *actingUntil_) {
        const PetErrand done = *errand_;
        actingUntil_.reset();
        errand_.reset();
        finishErrand(done, t);
        updateMood();
        alertNeed();
        return;
    }
    if (actingUntil_) {
        isStepping_ = false;
        chewSounds(t);
        return;
    }
    // A clock set back gives no step backwards either.
    const double dt = std::clamp(elapsed, 0.0, kMaxWalkStep);
    if (errand_) {
        const PetErrand e = *errand_;
        const std::optional<IslandRoomKind> target = errandRoom(e);
        if (!target || *target == room_) {
            if (walk(approach(e), dt, e == PetErrand::hide ? kHideSpeed : kErrandSpeed)) startActing(e, t);
        } else {
            routeToward(*target, dt);
        }
        return;
    }
    if (poopDue_ && t >= *poopDue_ && beat_.kind == Beat::Kind::sit) {
        poopDue_.reset();
        startErrand(PetErrand::litter);
        return;
    }
    runBeat(dt, t);
}

void PetLife::shiftMoments(double by) {
    time_.moveBy(by);
    for (std::optional<double>* at :
         {&arrivalDue_, &snoozeUntil_, &toyUntil_, &climbedAt_, &thudDue_, &playStartedAt_, &fussUntil_,
          &startledUntil_, &lovedUntil_, &sneezedAt_, &lookingAtYouUntil_, &nextMeow_, &poopDue_, &actingUntil_,
          &nextChew_, &zeroHealthSince_, &lastAlert_})
        if (*at) **at += by;
    if (nightSleepUntil_) publish(nightSleepUntil_, *nightSleepUntil_ + by);
    for (double* at : {&nextSneeze_, &lastTrick_, &lastHid_, &cursorMovedAt_, &lastDrank_, &lastSlowBlink_,
                       &lastHunt_, &beatStarted_, &lastSave_, &lastMotion_, &lastStatTick_, &frameWeatherAt_})
        *at += by;
    motionGrid_.first += by;
    if (springs_.lastTime != 0) springs_.lastTime += by;
    for (std::vector<double>* list : {&nightTaps_, &petClicks_})
        for (double& at : *list) at += by;
    if (beat_.kind != Beat::Kind::walk && beat_.kind != Beat::Kind::zoom) beat_.until += by;
    for (PetReaction& r : reactions_) r.born += by;
    if (cameDown_) cameDown_->at += by;
    if (lastWake_) lastWake_->at += by;
}

void PetLife::stopPlay() {
    playStartedAt_.reset();
    playPhase_ = PlayPhase::crouch;
    pawReach_ = 0;
    ballRoll_ = 0;
}

void PetLife::stopErrand() {
    errand_.reset();
    publish(inHouse_, false);
    actingUntil_.reset();
    stopPlay();
    isZooming_ = false;
}

void PetLife::arrive(double t) {
    const IslandRoomKind from = room_;
    room_ = viewRoom_;
    arrivalDue_.reset();
    stopErrand();
    if (isSleeping_) setSleeping(false);
    const bool fromLeft = roomIndex(viewRoom_) > roomIndex(from);
    place_ = fromLeft ? kLeftEntry : kRightEntry;
    facingRight_ = fromLeft;
    springs_.perch = springs_.velPerch = 0;
    springs_.bed = springs_.velBed = 0;
    if (queuedErrand_) {
        startQueued();
    } else {
        setBeat(Beat::walk(fromLeft ? random_.uniform(0.22, 0.42) : random_.uniform(0.58, 0.78)), t);
        setPose(PetPose::walking);
    }
    updateMood();
    alertNeed();
}

void PetLife::startActing(PetErrand e, double t) {
    switch (e) {
    case PetErrand::eat:
        actingUntil_ = t + 2.0;
        facingRight_ = true;
        nextChew_.reset();
        setPose(PetPose::eating);
        publish(mood_, PetMood::eating);
        break;
    case PetErrand::play:
        actingUntil_ = t + 2.3;
        facingRight_ = ballSide_ > 0;
        playStartedAt_ = t;
        playPhase_ = PlayPhase::crouch;
        pawReach_ = 0;
        ballRoll_ = 0;
        nextChew_ = t + 0.75;
        setPose(PetPose::playing);
        break;
    case PetErrand::sleep:
        actingUntil_ = t + 2.2;
        facingRight_ = false;
        setPose(PetPose::kneading);
        if (isVisible()) sound(PetSound::purr);
        break;
    case PetErrand::medicine:
        actingUntil_ = t + 2.0;
        setPose(PetPose::healing);
        break;
    case PetErrand::watchTV:
        actingUntil_ = t + (videoPlaying_ && videoPlaying_() ? random_.uniform(25, 45)
                                                             : std::max(beatLength(0.9, 1.3), 8.0));
        facingRight_ = true;
        setPose(PetPose::watching);
        break;
    case PetErrand::scratch:
        actingUntil_ = t + 2.0;
        facingRight_ = true;
        setPose(PetPose::scratching);
        break;
    case PetErrand::lounge:
        // No acting time: the lounge is a nap beat at once.
        errand_.reset();
        setBeat(Beat::nap(t + beatLength(0.8, 1.4)), t);
        setPose(PetPose::napping);
        break;
    case PetErrand::window:
        actingUntil_ = t + std::max(beatLength(1.0, 1.6), 8.0);
        setPose(PetPose::perched);
        break;
    case PetErrand::drink:
        actingUntil_ = t + random_.uniform(3, 4.5);
        facingRight_ = true;
        nextChew_.reset();
        setPose(PetPose::drinking);
        break;
    case PetErrand::sniff:
        actingUntil_ = t + random_.uniform(3, 4.5);
        facingRight_ = true;
        setPose(PetPose::sniffing);
        break;
    case PetErrand::rest:
        actingUntil_ = t + std::max(beatLength(1.2, 1.8), 10.0);
        facingRight_ = false;
        setPose(PetPose::resting);
        break;
    case PetErrand::litter:
        actingUntil_ = t + 2.6;
        setPose(PetPose::digging);
        break;
    case PetErrand::tvTop:
    case PetErrand::fridgeTop:
    case PetErrand::catShelf:
    case PetErrand::carrierTop: {
        const double climb = isTallPerch(e) ? 1.4 : 0.55;
        actingUntil_ = t + climb + random_.uniform(9, 16);
        facingRight_ = spot(e) > place_;
        highSpot_ = e;
        climbedAt_ = t;
        thudDue_ = t + climb;
        setPose(PetPose::lookout);
        break;
    }
    case PetErrand::sulk:
        actingUntil_ = t + random_.uniform(10, 16);
        facingRight_ = random_.coin();
        setPose(PetPose::sitting);
        break;
    case PetErrand::shelter:
        actingUntil_ = t + (look().isFalling() ? 40.0 : random_.uniform(9, 15));
        facingRight_ = false;
        publish(inHouse_, true);
        setPose(PetPose::sitting);
        break;
    case PetErrand::stroll: {
        actingUntil_ = t + random_.uniform(40, 80);
        const bool daytime = look().isDaytime();
        facingRight_ = random_.coin();
        setPose(daytime ? PetPose::resting : PetPose::sitting);
        break;
    }
    case PetErrand::hide:
        actingUntil_ = t + random_.uniform(9, 14);
        facingRight_ = hideEdge_ < 0.5;
        setPose(PetPose::hiding);
        break;
    case PetErrand::snowPlay:
        actingUntil_ = t + random_.uniform(7, 11);
        facingRight_ = random_.coin();
        setPose(PetPose::batting);
        react(PetReaction::Kind::note, 1, t, QStringLiteral("\u2744"));
        sound(PetSound::trill);
        break;
    }
}

void PetLife::finishErrand(PetErrand e, double t) {
    switch (e) {
    case PetErrand::eat: {
        double hungerDrop = 35, joy = 5, heal = 0;
        if (meal_) {
            switch (*meal_) {
            case ShopItem::treats: hungerDrop = 10, joy = 12; break;
            case ShopItem::tuna: hungerDrop = 55, joy = 8; break;
            case ShopItem::salmon: hungerDrop = 80, joy = 15, heal = 6; break;
            default: break;
            }
        }
        setHunger(lower(hunger_, hungerDrop));
        setHappiness(raise(happiness_, joy));
        if (heal > 0) setHealth(raise(health_, heal));
        publish(meal_, std::nullopt);
        if (!poopDue_) poopDue_ = t + std::max(0.12 * drainSeconds(), 60.0);
        setBeat(Beat::lick(t + 1.5), t);
        setPose(PetPose::licking);
        save();
        break;
    }
    case PetErrand::play:
        setHappiness(raise(happiness_, 15));
        setEnergy(lower(energy_, 8));
        ballPlace_ += 0.04 * ballSide_;
        stopPlay();
        sitAfter(t);
        break;
    case PetErrand::sleep:
        setSleeping(true);
        setPose(PetPose::sleeping);
        if (isBedtime()) startNightSleep();
        break;
    case PetErrand::medicine:
        setHealth(raise(health_, 40));
        if (health_ > 0) zeroHealthSince_.reset();
        sitAfter(t);
        break;
    case PetErrand::watchTV:
        setHappiness(raise(happiness_, 10));
        setEnergy(lower(energy_, 2));
        sitAfter(t);
        break;
    case PetErrand::scratch:
        setHappiness(raise(happiness_, 8));
        setEnergy(lower(energy_, 4));
        sitAfter(t);
        break;
    case PetErrand::window:
        setHappiness(raise(happiness_, 6));
        sitAfter(t);
        break;
    case PetErrand::drink:
        lastDrank_ = t;
        setHappiness(raise(happiness_, 2));
        setHealth(raise(health_, 2));
        setBeat(Beat::lick(t + 1.05), t);
        setPose(PetPose::licking);
        break;
    case PetErrand::sniff:
        setHappiness(raise(happiness_, 2));
        sitAfter(t);
        break;
    case PetErrand::rest: stretchAndYawn(); break;
    case PetErrand::litter:
        if (inspectingLitter_) {
            inspectingLitter_ = false;
            react(PetReaction::Kind::note, 1, t, QStringLiteral("fresh!"));
        } else {
            setPoops(std::min(poops_ + 1, 4));
            if (poops_ >= 3) setHappiness(lower(happiness_, 8));
            save();
            if (!isVisible()) arrivalDue_ = t + 1.5;
        }
        sitAfter(t);
        break;
    case PetErrand::tvTop:
    case PetErrand::fridgeTop:
    case PetErrand::catShelf:
    case PetErrand::carrierTop:
        setHappiness(raise(happiness_, 4));
        sitAfter(t);
        break;
    case PetErrand::sulk:
        sulkRoom_.reset();
        if (!isVisible()) arrivalDue_ = t + random_.uniform(8, 20);
        sitAfter(t);
        break;
    case PetErrand::shelter: {
        const SkyLook sky = look();
        if (sky.isFalling() && room_ == IslandRoomKind::garden) {
            const bool braveTheSnow = sky.weather == SkyWeather::snow && random_.unit() < 0.4;
            if (!braveTheSnow) {
                errand_ = PetErrand::shelter;
                actingUntil_ = t + 40;
                break;
            }
        }
        publish(inHouse_, false);
        sitAfter(t);
        break;
    }
    case PetErrand::stroll:
        if (!isVisible()) arrivalDue_ = t + random_.uniform(3, 8);
        sitAfter(t);
        break;
    case PetErrand::snowPlay:
        setHappiness(raise(happiness_, 6));
        setEnergy(lower(energy_, 3));
        sitAfter(t);
        break;
    case PetErrand::lounge:
    case PetErrand::hide: sitAfter(t); break;
    }
}

void PetLife::chewSounds(double t) {
    if (!isVisible()) return;
    double interval = 0;
    PetSound s = PetSound::nom;
    switch (pose_) {
    case PetPose::scratching: interval = 0.55, s = PetSound::scratch; break;
    case PetPose::eating: interval = 0.9, s = PetSound::nom; break;
    case PetPose::playing: interval = 60, s = PetSound::bounce; break;
    case PetPose::drinking: interval = 0.45, s = PetSound::lap; break;
    case PetPose::digging: interval = 0.42, s = PetSound::dig; break;
    default: return;
    }
    if (nextChew_ && t < *nextChew_) return;
    nextChew_ = t + interval;
    sound(s);
}

}  // namespace kp
