// Idle beats (sitting, short walks, naps, batting, licking, stretching, hunting the pointer,
// tricks, zoomies), the idle errand chooser, the attention behaviours that need the user watching,
// the batting animation and the focus nap.
#include "PetLife.h"

#include "platform/Random.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kp {

namespace {

constexpr double kStrollSpeed = 0.1;
constexpr double kZoomSpeed = 0.55;
constexpr double kHuntSpeed = 0.13;
constexpr double kHuntLength = 9;
constexpr double kHuntPause = 12;     // seconds between hunts
constexpr double kTrickPause = 12;
constexpr double kSlowBlinkPause = 20;

}  // namespace

void PetLife::setWatched(bool watched) {
    if (watched && !isWatched_) nextMeow_ = now() + 0.7;
    if (!watched) nextMeow_.reset();
    isWatched_ = watched;
}

bool PetLife::isBusy() const {
    if (isDead_ || isSleeping_ || errand_ || isZooming_) return true;
    return pose_ != PetPose::wander && pose_ != PetPose::walking && pose_ != PetPose::sitting;
}

void PetLife::runBeat(double dt, double t) {
    switch (beat_.kind) {
    case Beat::Kind::walk:
        if (walk(beat_.target, dt, kStrollSpeed)) sitAfter(t, beatLength(0.5, 0.9));
        break;
    case Beat::Kind::sit: {
        isStepping_ = false;
        setPose(PetPose::sitting);
        const bool huntable = !toy_ && cursor_ && isVisible() && t - cursorMovedAt_ < 0.5 &&
                              t - lastHunt_ > kHuntPause && std::abs(*cursor_ - place_) > 0.08;
        if (huntable && random_.unit() < dt * 0.6) {
            lastHunt_ = t;
            setBeat(Beat::hunt(t + kHuntLength), t);
            setPose(PetPose::hunting);
            break;
        }
        if (t < beat_.until) break;
        if (const std::optional<PetErrand> e = pickIdleErrand(t)) {
            startErrand(*e);
        } else {
            setBeat(chooseBeat(t), t);
            isZooming_ = beat_.kind == Beat::Kind::zoom;
        }
        break;
    }
    case Beat::Kind::nap:
        isStepping_ = false;
        setPose(PetPose::napping);
        if (t >= beat_.until) stretchAndYawn();
        break;
    case Beat::Kind::bat:
        isStepping_ = false;
        setPose(PetPose::batting);
        if (t >= beat_.until) sitAfter(t, beatLength(0.3, 0.5));
        break;
    case Beat::Kind::stretch:
        isStepping_ = false;
        if (t >= beat_.until) sitAfter(t, beatLength(0.4, 0.7));
        break;
    case Beat::Kind::lick:
        isStepping_ = false;
        if (t >= beat_.until) sitAfter(t, beatLength(0.5, 0.8));
        break;
    case Beat::Kind::trick:
        isStepping_ = false;
        if (t >= beat_.until) sitAfter(t, beatLength(0.4, 0.7));
        break;
    case Beat::Kind::zoom: {
        const int laps = beat_.laps;
        if (!walk(laps % 2 == 0 ? 0.12 : 0.88, dt, kZoomSpeed)) break;
        if (laps > 1) {
            setBeat(Beat::zoom(laps - 1), t);
        } else {
            isZooming_ = false;
            setEnergy(std::max(energy_ - 3, 0.0));
            setHappiness(std::min(happiness_ + 3, 100.0));
            sitAfter(t, beatLength(0.5, 0.8));
        }
        break;
    }
    case Beat::Kind::hunt: {
        if (!cursor_ || t >= beat_.until) {
            sitAfter(t, beatLength(0.3, 0.5));
            break;
        }
        setPose(PetPose::hunting);
        const double c = *cursor_;
        const double target = std::clamp(c > place_ ? c - 0.05 : c + 0.05, 0.06, 0.94);
        if (!walk(target, dt, kHuntSpeed)) break;
        facingRight_ = c > place_;
        if (t - cursorMovedAt_ > 0.7) {
            setBeat(Beat::bat(t + 1.1), t);
            setPose(PetPose::batting);
        }
        break;
    }
    }
}

PetLife::Beat PetLife::chooseBeat(double t) {
    if (happiness_ > 80 && energy_ > 50 && random_.unit() < 0.12) return Beat::zoom(random_.uniformInt(3, 5));
    const double u = random_.unit();
    const bool tired = energy_ < 40;
    const double walkBelow = 0.3, napBelow = tired ? 0.65 : 0.45, batBelow = tired ? 0.8 : 0.6;
    if (u < walkBelow) return Beat::walk(random_.uniform(0.3, 0.72));
    if (u < napBelow) return Beat::nap(t + beatLength(1.4, 2.4));
    if (u < batBelow) return Beat::bat(t + beatLength(0.4, 0.7));
    return Beat::sit(t + beatLength(0.7, 1.2));
}

std::optional<PetErrand> PetLife::pickIdleErrand(double t) {
    if (isBedtime() || focusNap_) return PetErrand::sleep;
    const SkyLook sky = look();
    if (room_ == IslandRoomKind::garden && sky.isFalling()) {
        const bool snowPlay = sky.weather == SkyWeather::snow && lastIdleErrand_ != PetErrand::snowPlay &&
                              random_.unit() < 0.5;
        lastIdleErrand_ = snowPlay ? PetErrand::snowPlay : PetErrand::shelter;
        return lastIdleErrand_;
    }
    if (room_ != IslandRoomKind::garden && !sky.isFalling() && sky.time != SkyTime::night &&
        random_.unit() < (sky.isDaytime() ? 0.1 : 0.05)) {
        lastIdleErrand_ = PetErrand::stroll;
        return lastIdleErrand_;
    }
    const double u = random_.unit();
    if (room_ == IslandRoomKind::bedroom && energy_ < 35 && u < 0.6) return PetErrand::sleep;
    if (room_ == IslandRoomKind::care && health_ < 40 && u < 0.6) return PetErrand::rest;
    if (u >= 0.4) return std::nullopt;

    PetErrand candidates[4];
    int n = 0;
    auto add = [&](PetErrand e) { candidates[n++] = e; };
    switch (room_) {
    case IslandRoomKind::bedroom:
        add(PetErrand::scratch);
        add(PetErrand::window);
        if (sky.weather != SkyWeather::clear && sky.weather != SkyWeather::cloudy) add(PetErrand::window);
        add(PetErrand::catShelf);
        break;
    case IslandRoomKind::living:
        // A playing video wins every time.
        if (videoPlaying_ && videoPlaying_()) return PetErrand::watchTV;
        add(PetErrand::lounge);
        add(PetErrand::play);
        add(PetErrand::watchTV);
        add(PetErrand::tvTop);
        break;
    case IslandRoomKind::kitchen:
        if (t - lastDrank_ > 120) add(PetErrand::drink);
        add(PetErrand::sniff);
        add(PetErrand::fridgeTop);
        break;
    case IslandRoomKind::care:
        if (u < 0.12) add(PetErrand::carrierTop);
        break;
    case IslandRoomKind::garden:
        if (u < 0.25) add(PetErrand::shelter);
        break;
    }
    // Never the same idle errand twice in a row.
    int kept = 0;
    for (int i = 0; i < n; ++i)
        if (candidates[i] != lastIdleErrand_) candidates[kept++] = candidates[i];
    if (kept == 0) {
        lastIdleErrand_.reset();
        return std::nullopt;
    }
    lastIdleErrand_ = candidates[random_.uniformInt(0, kept - 1)];
    return lastIdleErrand_;
}

void PetLife::maybeTrick() {
    const double t = now();
    if (happiness_ < 60 || t - lastTrick_ <= kTrickPause || !isVisible() || isZooming_ || toy_) return;
    if (random_.unit() >= 0.6) return;
    if (!errand_ && (pose_ == PetPose::sitting || pose_ == PetPose::wander)) {
        lastTrick_ = t;
        doTrick(random_.uniformInt(0, 2));
    } else if (pose_ == PetPose::napping || pose_ == PetPose::watching || pose_ == PetPose::perched ||
               pose_ == PetPose::lookout) {
        lastTrick_ = t;
        doTrick(2);
    }
}

void PetLife::doTrick(int kind) {
    const double t = now();
    switch (kind) {
    case 0:  // rolls over
        lovedUntil_.reset();
        setBeat(Beat::trick(t + 3.6), t);
        setPose(PetPose::bellyUp);
        react(PetReaction::Kind::heart, 2, t + 0.8);
        break;
    case 1:  // kneads
        lovedUntil_.reset();
        setBeat(Beat::trick(t + 3.2), t);
        setPose(PetPose::kneading);
        break;
    default:  // a slow blink; the beat goes on
        lastSlowBlink_ = t;
        lookingAtYouUntil_ = t + 2.4;
        emote(BotEmote::happy);
        react(PetReaction::Kind::heart, 1, t + 1.0);
        break;
    }
}

void PetLife::meowAtWatcher(double t) {
    if (!isWatched_ || !nextMeow_ || t < *nextMeow_) return;
    if (isBusy() || isStepping_ || !isVisible()) {
        nextMeow_ = t + 3;
        return;
    }
    react(PetReaction::Kind::meow, 1, t);
    sound(PetSound::meow);
    lookingAtYouUntil_ = t + 1.8;
    nextMeow_ = t + random_.uniform(25, 40);
}

void PetLife::watchCursor(double t) {
    if (!isWatched_ || !isVisible() || pose_ != PetPose::sitting || isBusy() || !cursor_) return;
    if (t - cursorMovedAt_ <= 3 || t - lastSlowBlink_ <= kSlowBlinkPause) return;
    lastSlowBlink_ = t;
    emote(BotEmote::happy);
    react(PetReaction::Kind::heart, 1, t);
    lookingAtYouUntil_ = t + 2;
}

void PetLife::updatePlay(double t) {
    if (!playStartedAt_) return;
    const double e = t - *playStartedAt_;
    playPhase_ = e < 0.45 ? PlayPhase::crouch : e < 1.05 ? PlayPhase::reach : PlayPhase::watch;
    pawReach_ = (e > 0.45 && e < 1.05) ? std::sin((e - 0.45) / 0.6 * std::numbers::pi) : 0.0;
    const double x = (e - 0.75) / 0.7;
    ballRoll_ = x <= 0 ? 0.0 : x < 1 ? 1 - (1 - x) * (1 - x) : 1.0;
}

void PetLife::startFocusNap() {
    if (isDead_) return;
    publish(focusNap_, true);
    if (isOut_ || isSleeping_) return;
    dropQueued();
    stopErrand();
    send(PetErrand::sleep);
}

void PetLife::endFocusNap() {
    if (!focusNap_) return;
    publish(focusNap_, false);
    if (!isSleeping_ || isNightSleeping() || isDead_) return;
    setSleeping(false);
    lastWake_ = PetWake{WakeMood::happy, now()};
    if (!isOut_) stretchAndYawn();
}

}  // namespace kp
