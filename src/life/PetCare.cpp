// What the user (or the desktop cat, or the weather) does to the cat: petting, taps on a cat
// asleep for the night, thunder, errands from the room buttons, toys, the litter box, a new cat,
// outings on the desktop, following the user from room to room, and the pointer.
#include "PetLife.h"

#include "core/Notifications.h"
#include "platform/NotificationCenter.h"
#include "platform/Random.h"

#include <QPointer>

#include <algorithm>
#include <cmath>

namespace kp {

namespace {

constexpr double kClickWindow = 1.15;  // three clicks within this fuss the cat
constexpr double kNightTapWindow = 6;  // five taps within this decide
constexpr int kNightTapsToDecide = 5;
constexpr double kFollowDelay = 3;
constexpr double kHidePause = 45;

double raise(double v, double by) { return std::min(v + by, 100.0); }
double lower(double v, double by) { return std::max(v - by, 0.0); }

double toyLength(ShopItem toy) {
    switch (toy) {
    case ShopItem::laser: return 7;
    case ShopItem::box: return 45;
    default: return 6;
    }
}

}  // namespace

void PetLife::recordCare(const char* key, double t) {
    if (careRecorder_) careRecorder_(QString::fromLatin1(key), t);
}

IslandRoomKind PetLife::pickSulkRoom() {
    IslandRoomKind choices[5];
    int n = 0;
    for (IslandRoomKind r : allCases<IslandRoomKind>())
        if (r != IslandRoomKind::care && r != room_) choices[n++] = r;
    return choices[random_.uniformInt(0, n - 1)];
}

PetResult PetLife::pet() {
    const double t = now();
    if (isDead_) return PetResult::ignored;
    if (isNightSleeping()) return nightTap(t);
    if (isSleeping_) {
        switch (wakeUp(true, t)) {
        case WakeMood::grumpy:
        case WakeMood::storming: return PetResult::wokeAngry;
        case WakeMood::lazy: return PetResult::snoozed;
        case WakeMood::happy: break;
        }
    } else if (pose_ == PetPose::napping || pose_ == PetPose::resting) {
        actingUntil_.reset();
        errand_.reset();
        setBeat(Beat::sit(t + 2), t);
        setPose(PetPose::sitting);
    }
    isZooming_ = false;
    std::erase_if(petClicks_, [t](double c) { return !(t - c < kClickWindow); });
    const std::size_t earlier = petClicks_.size();
    petClicks_.push_back(t);
    if (earlier >= 2) {
        petClicks_.clear();
        fussUntil_ = t + 0.9;
        lovedUntil_.reset();
        setHappiness(lower(happiness_, 3));
        react(PetReaction::Kind::grumble, 1, t);
        return PetResult::fussed;
    }
    fussUntil_.reset();
    lovedUntil_ = t + 1.2;
    setHappiness(raise(happiness_, 3));
    react(PetReaction::Kind::heart, 3, t);
    sound(PetSound::purr);
    recordCare("pet", t);
    maybeTrick();
    return PetResult::loved;
}

PetResult PetLife::nightTap(double at) {
    std::erase_if(nightTaps_, [at](double tap) { return !(at - tap < kNightTapWindow); });
    nightTaps_.push_back(at);
    if (nightTaps_.size() < std::size_t(kNightTapsToDecide)) return PetResult::ignored;
    nightTaps_.clear();
    const double u = random_.unit();
    if (u < 0.3) {
        static const char* const mumbles[] = {"mrrmm…", "zzz…", "not now…"};
        react(PetReaction::Kind::note, 1, at, QString::fromUtf8(mumbles[random_.uniformInt(0, 2)]));
        sound(PetSound::yawn);
        return PetResult::snoozed;
    }
    setSleeping(false);
    if (u < 0.65) {
        lastWake_ = PetWake{WakeMood::storming, at};
        fussUntil_ = at + 1.6;
        lovedUntil_.reset();
        react(PetReaction::Kind::grumble, 1, at);
        sound(PetSound::growl);
        NotificationCenter::shared().post(note::triggerEmote, BotEmote::annoyed);
        sulkRoom_ = pickSulkRoom();
        startErrand(PetErrand::sulk);
        return PetResult::wokeAngry;
    }
    lastWake_ = PetWake{WakeMood::happy, at};
    stretchAndYawn();
    setHappiness(raise(happiness_, 8));
    react(PetReaction::Kind::heart, 4, at + 1.44);
    sound(PetSound::purr);
    return PetResult::loved;
}

void PetLife::startle(int flash) {
    if (flash == lastStartle_) return;
    lastStartle_ = flash;
    const double t = now();
    // The thunder rolls in a moment after the flash, whatever the cat is doing.
    scheduler_.after(0.6 + 0.8 * random_.unit(), [self = QPointer<PetLife>(this)] {
        if (self) self->sound(PetSound::thunder);
    });
    if (isDead_ || isSleeping_ || isOut_ || room_ != viewRoom_ || pose_ == PetPose::eating ||
        pose_ == PetPose::drinking)
        return;
    startledUntil_ = t + 0.7;
    react(PetReaction::Kind::note, 1, t, QStringLiteral("!"));
    emote(BotEmote::surprised);
    const bool free = (!errand_ || *errand_ == PetErrand::window) && !inHouse_ && !toy_ && pose_ != PetPose::hiding &&
                      t - lastHid_ > kHidePause;
    if (free && random_.unit() < 0.45) {
        lastHid_ = t;
        isZooming_ = false;
        startErrand(PetErrand::hide);
    }
}

namespace {

// Poses the cat will not leave for an errand from the user.
bool busyWithItsOwn(PetPose pose) {
    switch (pose) {
    case PetPose::scratching:
    case PetPose::eating:
    case PetPose::playing:
    case PetPose::healing:
    case PetPose::kneading:
    case PetPose::digging:
    case PetPose::bellyUp: return true;
    default: return false;
    }
}

const char* careKey(PetErrand e) {
    switch (e) {
    case PetErrand::eat: return "feed";
    case PetErrand::play: return "play";
    case PetErrand::medicine: return "heal";
    default: return nullptr;
    }
}

}  // namespace

std::optional<PetUnfed> PetLife::whyNotEat() const {
    if (isDead_) return PetUnfed::dead;
    if (isNightSleeping()) return PetUnfed::asleep;
    if (isOut_) return PetUnfed::out;
    if (isVisible() && busyWithItsOwn(pose_)) return PetUnfed::busy;
    return std::nullopt;
}

bool PetLife::send(PetErrand e) {
    if (isDead_ || isNightSleeping()) return false;
    const double t = now();
    // The care counts when it is asked for, also when the cat then does not get to it.
    if (const char* key = careKey(e)) recordCare(key, t);
    if (isVisible()) {
        if (busyWithItsOwn(pose_)) return false;
        startErrand(e);
        return true;
    }
    dropQueued();
    queuedErrand_ = e;
    if (arrivalDue_) arrivalDue_ = std::min(*arrivalDue_, t + 1.2);
    return true;
}

void PetLife::startQueued() {
    if (!queuedErrand_) return;
    const PetErrand next = *queuedErrand_;
    queuedErrand_.reset();
    startErrand(next);
}

void PetLife::dropQueued() {
    if (!queuedErrand_) return;
    // A bought meal stays in the bowl for the next eat: it was paid for.
    if (*queuedErrand_ == PetErrand::litter) inspectingLitter_ = false;
    queuedErrand_.reset();
}

bool PetLife::play(ShopItem with) {
    if (with != ShopItem::yarn && with != ShopItem::box && with != ShopItem::feather && with != ShopItem::laser)
        return false;
    if (isDead_ || isOut_ || room_ != viewRoom_ || isNightSleeping()) return false;
    const double t = now();
    if (isSleeping_) setSleeping(false);
    dropQueued();
    stopErrand();
    isStepping_ = false;

    publish(toy_, with);
    const double length = toyLength(with);
    toyUntil_ = t + length;
    setHappiness(raise(happiness_, 12));
    setEnergy(lower(energy_, 4));
    switch (with) {
    case ShopItem::box:
        setBeat(Beat::sit(t + length), t);
        setPose(PetPose::sitting);
        break;
    case ShopItem::laser:
        isZooming_ = true;
        setBeat(Beat::zoom(6), t);
        break;
    default:
        setBeat(Beat::bat(t + length), t);
        setPose(PetPose::batting);
        break;
    }
    sound(PetSound::trill);
    updateMood();
    alertNeed();
    save();
    return true;
}

void PetLife::clean() {
    if (isDead_) {
        // The box can still be emptied; there is no cat left to care for or pay for it.
        if (poops_ > 0) {
            setPoops(0);
            sound(PetSound::pop);
            save();
        }
        return;
    }
    const double t = now();
    recordCare("clean", t);
    if (poops_ > 0) {
        setPoops(0);
        setHappiness(raise(happiness_, 4));
        sound(PetSound::pop);
        if (isVisible()) react(PetReaction::Kind::heart, 2, t);
        updateMood();
        alertNeed();
        save();
    }
    send(PetErrand::litter);
    inspectingLitter_ = errand_ == PetErrand::litter || queuedErrand_ == PetErrand::litter;
}

void PetLife::restart() {
    const double t = now();
    setHunger(40);
    setHappiness(70);
    setEnergy(80);
    setHealth(100);
    setPoops(0);
    poopDue_.reset();
    // Born in the cat's own time: a clock put back gives no birth before the last one's save.
    birth_ = now();
    publish(stage_, PetStage::kitten);
    errand_.reset();
    actingUntil_.reset();
    zeroHealthSince_.reset();
    petClicks_.clear();
    fussUntil_.reset();
    room_ = viewRoom_;
    arrivalDue_.reset();
    dropQueued();
    publish(meal_, std::nullopt);
    publish(inHouse_, false);
    place_ = 0.42;
    alertedNeed_.reset();
    isZooming_ = false;
    setSleeping(false);
    if (isDead_) {
        publish(isDead_, false);
        pushFace();
    }
    setBeat(Beat::sit(t + 2), t);
    setPose(PetPose::sitting);
    updateMood();
    alertNeed();
    save();
}

void PetLife::goOut() {
    if (isDead_ || isOut_) return;
    dropQueued();
    arrivalDue_.reset();
    stopErrand();
    isStepping_ = false;
    publish(isOut_, true);
    setPose(PetPose::sitting);
}

void PetLife::comeBack() {
    if (!isOut_) return;
    const double t = now();
    publish(isOut_, false);
    room_ = viewRoom_;
    // Already in the room on view: an arrival asked for while it was out would walk it in again.
    arrivalDue_.reset();
    place_ = random_.uniform(0.4, 0.6);
    facingRight_ = random_.coin();
    springs_.perch = springs_.velPerch = 0;
    springs_.bed = springs_.velBed = 0;
    if (isDead_) {
        // It died out there: it comes home as it is, with nothing asked of it left to do.
        dropQueued();
        setPose(PetPose::dead);
        updateMood();
        alertNeed();
        return;
    }
    if (isSleeping_) setSleeping(false);
    setBeat(Beat::sit(t + 2.4), t);
    setPose(PetPose::sitting);
    react(PetReaction::Kind::heart, 2, t);
    startQueued();
    updateMood();
    alertNeed();
}

void PetLife::sleepOutside() {
    if (isOut_ && !isDead_ && !isSleeping_) setSleeping(true);
}

void PetLife::followView(IslandRoomKind r) {
    if (r == viewRoom_) return;
    viewRoom_ = r;
    // What was asked for in the room left behind belongs there. Care asked for while the cat is
    // out waits for it to come home.
    if (!isOut_ || isDead_) dropQueued();
    if (isDead_) {
        if (!isOut_) room_ = r;
        arrivalDue_.reset();
        return;
    }
    // On its way to bed it keeps going, whichever room is looked at: at bedtime or in a focus round
    // a cat that followed would only be sent back to bed at its next beat.
    if (r == room_ || isNightSleeping() || (focusNap_ && isSleeping_) || errand_ == PetErrand::sleep) {
        arrivalDue_.reset();
        return;
    }
    arrivalDue_ = now() + kFollowDelay;
}

void PetLife::cursorMoved(std::optional<double> x) {
    const std::optional<double> before = cursor_;
    cursor_ = x;
    if (x && (!before || std::abs(*before - *x) >= 0.004)) cursorMovedAt_ = now();
}

}  // namespace kp
