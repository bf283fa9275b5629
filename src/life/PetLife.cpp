#include "PetLife.h"

#include "PetRecord.h"
#include "core/Preferences.h"
#include "core/Notifications.h"
#include "platform/Clock.h"
#include "platform/Dates.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "platform/Random.h"

#include <algorithm>
#include <cmath>

namespace kp {

namespace {

constexpr double kAutosaveAfter = 15;        // seconds between autosaves (strictly more than)
constexpr double kMaxStatStep = 3;           // a stalled timer never drains more than this at once
constexpr double kReannounceAfter = 600;     // a need that stays is announced again after this
constexpr double kHalfDay = 43200;           // a night counts from noon to noon
constexpr double kLongestNight = 70 * 60;    // a night's sleep lasts 50 to 70 minutes
constexpr double kBallLeftmost = 0.1, kBallRightmost = 0.9;
constexpr double kMotionStep = 1.0 / 30.0;
constexpr double kMotionBatch = 1.0;         // held back while unseen, the steps run with each stat step

double clampStat(double v) { return std::clamp(v, 0.0, 100.0); }

// The time of day by the local clock, used until a sky model is plugged in.
SkyTime timeOfDayAt(double now) {
    const int hour = dateFromReference(now).toLocalTime().time().hour();
    if (hour >= 5 && hour <= 7) return SkyTime::morning;
    if (hour >= 8 && hour <= 14) return SkyTime::day;
    if (hour >= 15 && hour <= 17) return SkyTime::afternoon;
    if (hour >= 18 && hour <= 19) return SkyTime::sunset;
    return SkyTime::night;
}

}  // namespace

PetLife::PetLife(Defaults& store, Clock& clock, RandomSource& random, Scheduler& scheduler, QObject* parent)
    : QObject(parent), store_(store), clock_(clock), random_(random), scheduler_(scheduler) {
    // A new kitten is born now; under a clock known to be wrong, at the earliest true moment, and
    // its life moves onto the calendar once the clock is right. Either is a moment a record holds.
    onTrueClock_ = clock_.isTrue();
    clockKnown_ = onTrueClock_;
    const double start = std::clamp(onTrueClock_ ? clock_.now() : clock_.trustedFrom(), 0.0, kLatestRecordMoment);
    time_.resumeAt(start);
    birth_ = start;
    // Room for a full set plus the biggest burst, so bubbles never reallocate.
    reactions_.reserve(maxReactions + 4);
    nightTaps_.reserve(8);
    petClicks_.reserve(8);

    load();
    // What starts afresh with each launch, at the cat's time the record took it to.
    const double t = now();
    nextSneeze_ = t + 20;
    lastSlowBlink_ = t;
    lastHunt_ = t;
    lastSave_ = t;
    lastMotion_ = t;
    lastStatTick_ = t;
    beat_ = Beat::sit(t + 2.2);
    beatStarted_ = t;
    startTimers();
}

PetLife::~PetLife() {
    scheduler_.cancel(motionTimer_);
    scheduler_.cancel(statTimer_);
}

void PetLife::startTimers() {
    scheduleMotion();
    // Held-back motion runs first, so the stat step sees the cat where it is now.
    statTimer_ = scheduler_.every(1.0, [this] {
        if (motionBatched_ || steppedByFrames_) catchUpMotion();
        statStep();
    });
}

void PetLife::setSeen(bool seen) {
    if (seen == seen_) return;
    seen_ = seen;
    scheduleMotion();
}

void PetLife::setSteppedByFrames(bool byFrames) {
    if (byFrames == steppedByFrames_) return;
    catchUpMotion();
    steppedByFrames_ = byFrames;
    scheduleMotion();
}

void PetLife::scheduleMotion() {
    // Out on the desktop the cat is its own figure there: the home cat stays unseen.
    const bool batched = !seen_;
    const bool timed = !batched && !steppedByFrames_;
    if (motionScheduled_ && batched == motionBatched_ && timed == (motionTimer_ != 0)) return;
    motionScheduled_ = true;
    if (motionBatched_ && !steppedNow_) catchUpMotion();
    scheduler_.cancel(motionTimer_);
    motionTimer_ = 0;
    motionBatched_ = batched;
    // Unseen, the held-back steps run at the stat step, once a second: no wake-ups of their own.
    if (timed) motionTimer_ = scheduler_.every(kMotionStep, [this] { motionStep(); });
}

void PetLife::catchUpMotion() {
    if (steppedNow_) return;  // already catching up, further down the stack
    const double t = catTime();
    // A stalled timer or a clock set back: one step, as the frame timer would take it.
    if (t < lastMotion_ || t - lastMotion_ > 2 * kMotionBatch) {
        motionStep();
        motionGrid_ = {lastMotion_, 0};
        return;
    }
    // Step moments count from one origin, so rounding never adds up over a long rest.
    auto& [origin, k] = motionGrid_;
    if (lastMotion_ != origin + double(k) * kMotionStep) motionGrid_ = {lastMotion_, 0};
    while (origin + double(k + 1) * kMotionStep <= t + 1e-6) {
        ++k;
        steppedNow_ = origin + double(k) * kMotionStep;
        motionStep();
    }
    steppedNow_.reset();
}

double PetLife::now() const { return steppedNow_ ? *steppedNow_ : catTime(); }

double PetLife::catTime() const { return time_.now(); }

double PetLife::age() const { return std::max(boundedMoment(now()) - boundedMoment(birth_), 0.0); }

SkyLook PetLife::look() const {
    if (skyLook_) return skyLook_();
    return SkyLook{timeOfDayAt(clock_.now()), SkyWeather::clear};
}

double PetLife::drainSeconds() const { return prefs::statDrainSeconds(store_); }

double PetLife::drainRate() const { return 100.0 / drainSeconds(); }

void PetLife::sound(PetSound s) const {
    if (onSound_) onSound_(s);
}

void PetLife::emote(BotEmote e) const {
    if (onEmote_) onEmote_(e);
}

void PetLife::setOnFaceChange(FaceCallback callback) {
    onFaceChange_ = std::move(callback);
    if (onFaceChange_) onFaceChange_(lastFace_);
}

// --- Published writers: every write notifies. ---

void PetLife::setHunger(double value) { publish(hunger_, clampStat(value)); }
void PetLife::setHappiness(double value) { publish(happiness_, clampStat(value)); }
void PetLife::setEnergy(double value) { publish(energy_, clampStat(value)); }
void PetLife::setHealth(double value) { publish(health_, clampStat(value)); }
void PetLife::setNeed(std::optional<PetNeed> need) { publish(need_, need); }
void PetLife::setPoops(int value) { publish(poops_, std::max(value, 0)); }

// --- Small shared operations ---

void PetLife::setSleeping(bool on) {
    if (on == isSleeping_) return;
    publish(isSleeping_, on);
    snoozeUntil_.reset();
    if (on)
        snoozedThisNap_ = false;
    else
        publish(nightSleepUntil_, std::nullopt);
    pushFace();
}

void PetLife::setPose(PetPose pose) {
    if (pose == pose_) return;
    if (pose_ == PetPose::lookout && highSpot_) {
        const double t = now();
        cameDown_ = PetPerchExit{*highSpot_, t};
        highSpot_.reset();
        climbedAt_.reset();
        thudDue_ = t + 0.45;
    }
    publish(pose_, pose);
    pushFace();
}

void PetLife::pushFace() {
    std::optional<BotState> face;
    if (isDead_) {
        face = BotState::dead;
    } else if (isSleeping_ || pose_ == PetPose::napping) {
        face = BotState::sleeping;
    } else if (pose_ == PetPose::resting) {
        face = BotState::sick;
    } else {
        switch (pose_) {
        case PetPose::scratching:
        case PetPose::eating:
        case PetPose::playing:
        case PetPose::healing:
        case PetPose::watching:
        case PetPose::perched:
        case PetPose::kneading:
        case PetPose::stretching:
        case PetPose::licking:
        case PetPose::drinking:
        case PetPose::sniffing:
        case PetPose::hunting:
        case PetPose::hiding:
        case PetPose::bellyUp:
            break;  // busy: no face of its own
        default:
            if (need_) {
                switch (*need_) {
                case PetNeed::hungry:
                case PetNeed::dirty: face = BotState::grumpy; break;
                case PetNeed::sad: face = BotState::sad; break;
                case PetNeed::sick: face = BotState::sick; break;
                case PetNeed::dead: face = BotState::dead; break;
                }
            }
        }
    }
    if (face == lastFace_) return;
    lastFace_ = face;
    if (onFaceChange_) onFaceChange_(face);
}

void PetLife::react(PetReaction::Kind kind, int count, double start, const QString& text) {
    const double facing = facingRight_ ? 1.0 : -1.0;
    for (int i = 0; i < count; ++i) {
        ++reactionSerial_;
        PetReaction r;
        r.id = reactionSerial_;
        r.kind = kind;
        r.born = start + 0.14 * i;
        r.place = place_;
        r.facing = facing;
        r.dx = double(i - count / 2) * 7.0 + random_.uniform(-2, 2);
        r.text = text;
        reactions_.push_back(std::move(r));
    }
    if (reactions_.size() > std::size_t(maxReactions))
        reactions_.erase(reactions_.begin(), reactions_.end() - maxReactions);
}

PetGrowth PetLife::growth() const {
    const double k = prefs::kittenLengthSeconds(store_);
    double g = age() / std::max(3.0 * k, 1.0);
    if (!(g > 0)) g = 0;  // negative or undefined
    g = std::min(g, 1.0);
    return PetGrowth{0.6 + 0.4 * g, 1.18 - 0.18 * g};
}

bool PetLife::perchSettled() const {
    if (!highSpot_ || !climbedAt_) return false;
    const bool tall = *highSpot_ == PetErrand::tvTop || *highSpot_ == PetErrand::fridgeTop ||
                      *highSpot_ == PetErrand::catShelf;
    return now() - *climbedAt_ >= (tall ? 1.4 : 0.55);
}

double PetLife::beatLength(double lo, double hi) {
    return prefs::beatLengthSeconds(store_) * random_.uniform(lo, hi);
}

// --- Stat step ---

void PetLife::statStep() {
    // A clock known to be wrong has been set right: the cat's time meets it.
    if (!onTrueClock_ && clock_.isTrue()) {
        meetTrueClock();
        save();
    }
    const double t = now();
    if (t - lastSave_ > kAutosaveAfter || t < lastSave_) save();
    updateAmbience();
    if (isDead_) {
        lastStatTick_ = t;
        return;
    }
    sneezeCheck(t);
    // More than a step's worth at once: the machine slept or the app stalled, and that time was
    // lived all the same.
    const double elapsed = t - lastStatTick_;
    lastStatTick_ = t;
    double dt = std::clamp(elapsed, 0.0, kMaxStatStep);
    if (elapsed > kMaxStatStep) {
        liveAway(std::min(elapsed, kMaxCatchUpSeconds));
        dt = 0;
    }
    checkGrowth(t);

    if (isSleeping_) {
        drain(true, dt);
        if (!nightSleepUntil_ && !isOut_ && room_ == IslandRoomKind::bedroom && isBedtime()) startNightSleep();
        if (nightSleepUntil_) {
            // Nothing but the end of the night wakes it.
            if (t >= *nightSleepUntil_) {
                setSleeping(false);
                lastWake_ = PetWake{WakeMood::happy, t};
                stretchAndYawn();
                scheduleArrivalAfterWake(t);
            }
        } else if (!focusNap_ && energy_ >= 90 && (!snoozeUntil_ || t >= *snoozeUntil_)) {
            if (!snoozeUntil_) {
                wakeUp(false, t);
            } else {
                setSleeping(false);
                stretchAndYawn();
                lastWake_ = PetWake{WakeMood::happy, t};
            }
        }
    } else {
        drain(false, dt);
        const double s = drainSeconds();
        if (pose_ == PetPose::resting) setHealth(std::min(health_ + dt * 0.8 * (100.0 / s), 100.0));
        if (health_ > 0) {
            zeroHealthSince_.reset();
        } else {
            if (!zeroHealthSince_) zeroHealthSince_ = t;
            const double grace = std::max(0.1 * s, 20.0);
            if (t - *zeroHealthSince_ >= grace) {
                die();
                return;
            }
        }
    }
    updateMood();
    alertNeed();
}

void PetLife::drain(bool asleep, double dt) { drainAtRate(asleep, dt, drainRate()); }

void PetLife::drainAtRate(bool asleep, double dt, double r) {
    if (asleep) {
        setEnergy(std::min(energy_ + 4 * r * dt, 100.0));
        return;
    }
    setHunger(std::min(hunger_ + r * dt, 100.0));
    setEnergy(std::max(energy_ - 0.7 * r * dt, 0.0));
    if (hunger_ > 70) setHappiness(std::max(happiness_ - 0.35 * r * dt, 0.0));
    if (hunger_ >= 90) setHealth(std::max(health_ - 0.55 * r * dt, 0.0));
    if (health_ < 40) setHappiness(std::max(happiness_ - 0.2 * r * dt, 0.0));
    if (poops_ >= 2) setHappiness(std::max(happiness_ - 0.3 * r * dt, 0.0));
}

void PetLife::updateMood() {
    PetMood m = PetMood::idle;
    if (isDead_)
        m = PetMood::dead;
    else if (pose_ == PetPose::eating)
        m = PetMood::eating;
    else if (isSleeping_)
        m = PetMood::sleeping;
    else if (health_ < 40)
        m = PetMood::sick;
    else if (hunger_ >= 70)
        m = PetMood::hungry;
    else if (happiness_ < 20)
        m = PetMood::crying;
    else if (happiness_ <= 40)
        m = PetMood::sad;
    else if (energy_ <= 30)
        m = PetMood::sleepy;
    publish(mood_, m);
}

std::optional<PetNeed> PetLife::currentNeed() const {
    if (isDead_) return PetNeed::dead;
    if (health_ < 40) return PetNeed::sick;
    if (hunger_ >= 70) return PetNeed::hungry;
    if (poops_ >= 2) return PetNeed::dirty;
    if (happiness_ <= 40) return PetNeed::sad;
    return std::nullopt;
}

void PetLife::alertNeed() {
    const std::optional<PetNeed> n = currentNeed();
    if (n != need_) setNeed(n);
    pushFace();
    if (!n) {
        alertedNeed_.reset();
        return;
    }
    const double t = now();
    const bool announce =
        !lastAlert_ || !alertedNeed_ || *n != *alertedNeed_ || t - *lastAlert_ > kReannounceAfter;
    if (!announce) return;
    alertedNeed_ = n;
    lastAlert_ = t;
    if (onAlert_) onAlert_();
    if (*n != PetNeed::dead) sound(PetSound::mew);
}

PetStage PetLife::stageFor(double t) const {
    const double k = prefs::kittenLengthSeconds(store_);
    const double age = t - birth_;
    if (age < k) return PetStage::kitten;
    if (age < 3 * k) return PetStage::junior;
    return PetStage::adult;
}

// Nights are the calendar's, as the sky's are: they follow the wall clock.
bool PetLife::isBedtime() const {
    if (look().time != SkyTime::night) return false;
    const double night = startOfLocalDay(clock_.now() - kHalfDay);
    return !sleptNight_ || *sleptNight_ != night;
}

void PetLife::startNightSleep() {
    const double t = now();
    sleptNight_ = startOfLocalDay(clock_.now() - kHalfDay);
    publish(nightSleepUntil_, t + (50 + 20 * random_.unit()) * 60);
    nightTaps_.clear();
    save();
}

void PetLife::scheduleArrivalAfterWake(double t) {
    if (room_ != viewRoom_ && errand_ != PetErrand::sulk) arrivalDue_ = t + 4 + random_.uniform(0, 4);
}

void PetLife::checkGrowth(double t) {
    const PetStage s = stageFor(t);
    if (s == stage_) return;
    // A longer kitten time (a setting) can make the cat younger on paper; only growing up is celebrated.
    const bool grew = rawValue(s) > rawValue(stage_);
    publish(stage_, s);
    if (!grew || !isVisible()) return;
    react(PetReaction::Kind::note, 1, t, s == PetStage::adult ? QStringLiteral("all grown up!")
                                                              : QStringLiteral("growing up!"));
    react(PetReaction::Kind::heart, 3, t + 0.3);
    emote(BotEmote::proud);
    sound(PetSound::trill);
    save();
}

void PetLife::sneezeCheck(double t) {
    if (mood_ != PetMood::sick || t < nextSneeze_) return;
    nextSneeze_ = t + 25 + random_.uniform(0, 30);
    if (!isVisible() || isSleeping_ || isStepping_ || pose_ == PetPose::eating || pose_ == PetPose::drinking)
        return;
    sneezedAt_ = t + 0.25;
    react(PetReaction::Kind::note, 1, t + 0.3, QStringLiteral("achoo!"));
    sound(PetSound::sneeze);
}

void PetLife::die() {
    errand_.reset();
    actingUntil_.reset();
    isZooming_ = false;
    setSleeping(false);
    if (!isDead_) {
        publish(isDead_, true);
        pushFace();
    }
    setPose(PetPose::dead);
    publish(mood_, PetMood::dead);
    isStepping_ = false;
    alertNeed();
    save();
}

void PetLife::updateAmbience() {
    if (!ambience_) return;
    AmbienceTarget& a = *ambience_;
    const bool on = prefs::soundOn(store_);
    if (a.enabled != on) {
        a.enabled = on;
        a.apply();
    }
    const float volume = float(std::clamp(prefs::soundVolume(store_), 0.0, 1.0));
    if (a.volume != volume) {
        a.volume = volume;
        a.apply();
    }
    AmbienceLevels levels;
    if (isWatched_ && !isDead_) {
        const SkyLook sky = look();
        const IslandRoomKind v = viewRoom_;
        if (isRainy(sky.weather)) levels[AmbienceBed::rain] = v == IslandRoomKind::garden ? 1.0f : 0.2f;
        const bool birdsPossible = !isRainy(sky.weather) && sky.weather != SkyWeather::snow && sky.time != SkyTime::night;
        if (birdsPossible) {
            if (v == IslandRoomKind::garden)
                levels[AmbienceBed::birds] = 1.0f;
            else if (v == IslandRoomKind::bedroom && (errand_ == PetErrand::window || pose_ == PetPose::perched))
                levels[AmbienceBed::birds] = 0.45f;
        }
        if (v == IslandRoomKind::living) {
            levels[AmbienceBed::fire] = 1.0f;
            if (!isOut_ && room_ == v && pose_ == PetPose::watching) levels[AmbienceBed::tv] = 1.0f;
        }
    }
    if (levels != a.levels) {
        a.levels = levels;
        a.apply();
    }
}

// --- Waking ---

WakeMood PetLife::wakeUp(bool byUser, double at) {
    const double u = random_.unit();
    WakeMood mood;
    if (byUser)
        mood = u < 0.5 ? WakeMood::happy : u < 0.65 ? WakeMood::lazy : u < 0.87 ? WakeMood::grumpy : WakeMood::storming;
    else
        mood = u < 0.62 ? WakeMood::happy : u < 0.8 ? WakeMood::lazy : u < 0.92 ? WakeMood::grumpy : WakeMood::storming;
    if (mood == WakeMood::lazy && (snoozedThisNap_ || energy_ >= 99)) mood = WakeMood::happy;
    if (mood == WakeMood::storming && (isOut_ || room_ == IslandRoomKind::care)) mood = WakeMood::grumpy;
    lastWake_ = PetWake{mood, at};

    switch (mood) {
    case WakeMood::happy:
        setSleeping(false);
        stretchAndYawn();
        react(PetReaction::Kind::heart, 1, at);
        sound(PetSound::trill);
        break;
    case WakeMood::lazy: {
        snoozedThisNap_ = true;
        snoozeUntil_ = at + 40 + 50 * random_.unit();
        static const char* const mumbles[] = {"5 more min…", "mrrmm…", "not yet…"};
        react(PetReaction::Kind::note, 1, at, QString::fromUtf8(mumbles[random_.uniformInt(0, 2)]));
        sound(PetSound::yawn);
        break;
    }
    case WakeMood::grumpy:
    case WakeMood::storming:
        setSleeping(false);
        fussUntil_ = at + 1.6;
        lovedUntil_.reset();
        react(PetReaction::Kind::grumble, 1, at);
        sound(mood == WakeMood::grumpy ? PetSound::mew : PetSound::growl);
        NotificationCenter::shared().post(note::triggerEmote, BotEmote::annoyed);
        if (mood == WakeMood::grumpy) {
            beat_ = Beat::sit(at + 2.4);
            beatStarted_ = at;
            setPose(PetPose::sitting);
        } else {
            sulkRoom_ = pickSulkRoom();
            startErrand(PetErrand::sulk);
        }
        break;
    }
    return mood;
}

void PetLife::stretchAndYawn() {
    const double t = now();
    beat_ = Beat::stretch(t + 1.8);
    beatStarted_ = t;
    setPose(PetPose::stretching);
    if (isVisible()) {
        emote(BotEmote::yawn);
        sound(PetSound::yawn);
    }
}

// --- Saving and loading ---

void PetLife::save() {
    lastSave_ = now();
    PetRecord record;
    record.hunger = hunger_;
    record.happiness = happiness_;
    record.energy = energy_;
    record.health = health_;
    record.isSleeping = isSleeping_;
    record.isDead = isDead_;
    record.poops = poops_;
    record.birth = birth_;
    record.poopDue = poopDue_;
    record.ballPlace = ballPlace_;
    record.savedAt = now();
    record.nightSleepUntil = nightSleepUntil_;
    record.sleptNight = sleptNight_;
    record.clockUnknown = !clockKnown_;
    const std::optional<QByteArray> bytes = encodePetRecord(record);
    if (!bytes) return;  // the previous record stays
    store_.setRecord(QString::fromLatin1(recordKey), *bytes);
}

void PetLife::load() {
    // A birth no real cat has is as unreadable as a missing one: the record is kept aside.
    const std::optional<PetRecord> record = store_.decodeRecord<PetRecord>(
        QString::fromLatin1(recordKey), [](const QByteArray& bytes) -> std::optional<PetRecord> {
            std::optional<PetRecord> r = decodePetRecord(bytes);
            if (r && !keepRealMoments(*r)) return std::nullopt;
            return r;
        });
    if (!record) {
        publish(stage_, stageFor(now()));
        return;
    }
    const PetRecord& r = *record;
    // A hand-edited record cannot push a stat out of range.
    setHunger(r.hunger);
    setHappiness(r.happiness);
    setEnergy(r.energy);
    setHealth(r.health);
    publish(isDead_, r.isDead);
    publish(isSleeping_, r.isSleeping);
    setPoops(int(std::clamp(r.poops, 0LL, 4LL)));
    birth_ = r.birth;
    clockKnown_ = !r.clockUnknown;
    // The cat's time goes on from its last save, the latest moment it lived, then meets the clock
    // if the clock is true.
    time_.resumeAt(r.savedAt);
    poopDue_ = r.poopDue;
    nightSleepUntil_ = r.nightSleepUntil;
    sleptNight_ = r.sleptNight;
    // Kept on the floor, away from the walls, whatever the record says.
    ballPlace_ = std::isfinite(r.ballPlace) ? std::clamp(r.ballPlace, kBallLeftmost, kBallRightmost) : 0.58;
    if (onTrueClock_) meetTrueClock();
    publish(stage_, stageFor(now()));

    const double t = now();
    const std::optional<double> nightEnds = nightSleepUntil_;
    nightSleepUntil_.reset();
    if (!isDead_) {
        if (r.isSleeping && nightEnds && *nightEnds > t) {
            publish(isSleeping_, true);
            // A hand-edited record cannot keep the cat asleep for longer than a whole night's sleep.
            publish(nightSleepUntil_, std::min(*nightEnds, t + kLongestNight));
        }
        if (poopDue_ && *poopDue_ < t) {
            setPoops(std::min(poops_ + 1, 4));
            poopDue_.reset();
        }
    }

    if (isDead_) {
        publish(pose_, PetPose::dead);
    } else if (isSleeping_) {
        publish(pose_, PetPose::sleeping);
        place_ = 0.135;
        facingRight_ = false;
        springs_.bed = 1;
    }
    updateMood();
    setNeed(currentNeed());
    alertedNeed_ = need_;
    lastAlert_ = now();
    pushFace();
}

void PetLife::meetTrueClock() {
    onTrueClock_ = true;
    const double wall = clock_.now();
    const double t = catTime();
    if (!clockKnown_) {
        // Born under a wrong clock: its whole life moves onto the calendar, as long as it was, and
        // the years between are no time away. Its nights were counted by a wrong calendar.
        clockKnown_ = true;
        const double by = std::clamp(wall, 0.0, kLatestRecordMoment) - t;
        birth_ = std::clamp(birth_ + by, 0.0, kLatestRecordMoment);
        shiftMoments(by);
        sleptNight_.reset();
        return;
    }
    const double by = time_.towardWall();
    if (by >= 0) {
        // Time away, lived as the catch-up after a start lives it (a cat lives none before its birth).
        // Ahead of a clock a little behind it, none: it lives on from its own moment.
        time_.moveBy(by);
        lastStatTick_ += by;  // lived through here, not again by the stat step
        const double away = t + by - std::max(t, birth_);
        if (!isDead_ && away > 0) liveThrough(std::min(away, kMaxCatchUpSeconds));
        return;
    }
    // Far ahead of a true clock (saved under a clock that ran ahead): the cat comes back to the
    // clock, younger by as much (a birth still ahead of it reads as a newborn until then); what was
    // due is as far off as it was.
    shiftMoments(by);
}

void PetLife::liveThrough(double seconds, std::optional<double> from) {
    const double rate = drainRate();
    double at = from.value_or(0);
    for (double left = seconds; left > 0; left -= kCatchUpStep) {
        const double step = std::min(left, kCatchUpStep);
        at += step;
        if (isSleeping_) {
            drainAtRate(true, step, rate);
            // Lived from a known moment, the night's sleep holds until its end.
            const bool night = from && nightSleepUntil_ && at < *nightSleepUntil_;
            if (energy_ >= 90 && !night) publish(isSleeping_, false);
        } else {
            drainAtRate(false, step, rate);
            if (energy_ < 20) publish(isSleeping_, true);
        }
        setHealth(std::max(health_, 5.0));
    }
}

void PetLife::liveAway(double seconds) {
    const bool wasAsleep = isSleeping_;
    liveThrough(seconds, now() - seconds);
    const bool asleep = isSleeping_;
    if (asleep == wasAsleep) return;
    isSleeping_ = wasAsleep;
    if (asleep) stopErrand();
    setSleeping(asleep);
    if (isOut_) return;
    if (asleep) {
        setPose(PetPose::sleeping);
        place_ = 0.135;
        facingRight_ = false;
        springs_.bed = 1;
    } else if (pose_ == PetPose::sleeping) {
        setPose(PetPose::sitting);
    }
}

}  // namespace kp
