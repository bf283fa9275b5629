#pragma once
// The cat: its stats, mood, need and stage, sleep, pose and place, and the outward callbacks
// through which the app shows faces, peeks the island, plays sounds and shows emotes.
//
// Two repeating timers drive it once constructed: a 1 s stat step and a 1/30 s motion step, run
// by the injected scheduler. While nothing shows the cat the motion steps are held back and run
// with each stat step (see `setSeen`). The durable part is saved as the "petLife.v1" record every ~16 s
// while the stat step runs, at a few notable moments, and whenever `save()` is called (the app
// calls it on termination). On construction the record is read back and the time away lived
// through, so the cat comes back hungry, tired or asleep.
//
// Main thread only. Every write of a published value emits `changed()`, also when the value stays
// the same; views read the other values when they redraw.
#include "core/BotFace.h"
#include "core/IslandTypes.h"
#include "life/AmbienceTarget.h"
#include "life/CatClock.h"
#include "life/PetTypes.h"
#include "life/ShopItem.h"
#include "core/SkyTypes.h"
#include "platform/Clock.h"
#include "platform/Scheduler.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace kp {

class Defaults;
class RandomSource;

class PetLife : public QObject {
    Q_OBJECT
public:
    using Beat = PetBeat;
    using FaceCallback = std::function<void(std::optional<BotState>)>;
    using AlertCallback = std::function<void()>;
    using SoundCallback = std::function<void(PetSound)>;
    using EmoteCallback = std::function<void(BotEmote)>;

    // Key of the saved record in the store.
    static constexpr const char* recordKey = "petLife.v1";
    static constexpr int maxReactions = 12;

    // Sets the newborn values, loads the saved record (catching up on the time away) and starts
    // the two timers on `scheduler`. The store, clock, random source and scheduler must outlive
    // the cat.
    PetLife(Defaults& store, Clock& clock, RandomSource& random, Scheduler& scheduler,
            QObject* parent = nullptr);
    ~PetLife() override;
    PetLife(const PetLife&) = delete;
    PetLife& operator=(const PetLife&) = delete;

    // Whether anything shows the cat (the island, a photo being taken). Unseen (at home or out on
    // the desktop, which draws a figure of its own), its 1/30 s motion steps run a second at a time
    // with the stat step, each still a 1/30 s step at its own moment, so it lives exactly the same while the app wakes rarely. Seen again, it catches up
    // at once and steps every frame. Seen when constructed.
    void setSeen(bool seen);
    // While a view shows the cat frame by frame, that view runs the due steps at each of its frames
    // (`catchUpMotion`) in place of a timer of their own: the app wakes once a frame, not also
    // for each step.
    void setSteppedByFrames(bool byFrames);
    // Runs the motion steps that fell due since the last one (held back while unseen).
    void catchUpMotion();

    // --- Neighbours (each may be left unset) ---
    // The room's sound beds; the stat step keeps them in step once a second. Not owned.
    void setAmbience(AmbienceTarget* ambience) { ambience_ = ambience; }
    // The sky as it looks now. Without one the time of day follows the local clock, under a clear sky.
    void setSkyLook(std::function<SkyLook()> look) { skyLook_ = std::move(look); }
    // Whether a video is playing right now (sends the cat to the television).
    void setVideoPlaying(std::function<bool()> playing) { videoPlaying_ = std::move(playing); }
    // Records a care action ("pet", "feed", "play", "heal", "clean") at a moment, for the coins.
    void setCareRecorder(std::function<void(const QString& key, double at)> record) {
        careRecorder_ = std::move(record);
    }

    // --- Outward callbacks ---
    // Installing the face callback sends the current face at once (nullopt = no override), so a
    // cat that comes back dead or asleep shows it from the start.
    void setOnFaceChange(FaceCallback callback);
    void setOnAlert(AlertCallback callback) { onAlert_ = std::move(callback); }
    void setOnSound(SoundCallback callback) { onSound_ = std::move(callback); }
    void setOnEmote(EmoteCallback callback) { onEmote_ = std::move(callback); }

    // --- Published values ---
    double hunger() const { return hunger_; }
    double happiness() const { return happiness_; }
    double energy() const { return energy_; }
    double health() const { return health_; }
    bool isSleeping() const { return isSleeping_; }
    bool isDead() const { return isDead_; }
    PetMood mood() const { return mood_; }
    PetPose pose() const { return pose_; }
    std::optional<PetNeed> need() const { return need_; }
    int poops() const { return poops_; }
    PetStage stage() const { return stage_; }
    bool isOut() const { return isOut_; }
    std::optional<double> nightSleepUntil() const { return nightSleepUntil_; }
    bool focusNap() const { return focusNap_; }
    std::optional<ShopItem> toy() const { return toy_; }
    std::optional<ShopItem> meal() const { return meal_; }
    bool inHouse() const { return inHouse_; }

    // Stats are clamped to 0...100.
    void setHunger(double value);
    void setHappiness(double value);
    void setEnergy(double value);
    void setHealth(double value);
    void setNeed(std::optional<PetNeed> need);
    void setPoops(int value);

    // --- The cat's own time ---
    // The cat lives the seconds the machine counts (its sleep included), not the wall clock: a clock
    // set forward or back while the app runs changes nothing of its life. At a start its time goes
    // on from its last save and meets the wall clock (see CatClock::towardWall): the time away is
    // lived, a clock a little behind it is lived on ahead of, and one far behind it is come back
    // to. Under a clock known to be wrong (before the app's own build) it lives on from its last
    // save, and meets the clock once the clock is set right. Reference seconds.
    double catTime() const;
    // The cat's time as a clock, for what draws or dates the cat by it (the room, its photos).
    Clock& clock() const { return time_; }
    // Its time has met a true clock in this run (false while the clock is known to be wrong).
    bool onTrueClock() const { return onTrueClock_; }
    // Seconds lived since its birth, by its own time.
    double age() const;

    // --- Other state, read by views when they redraw ---
    double birth() const { return birth_; }
    IslandRoomKind room() const { return room_; }
    IslandRoomKind viewRoom() const { return viewRoom_; }
    std::optional<double> arrivalDue() const { return arrivalDue_; }
    std::optional<PetErrand> errand() const { return errand_; }
    std::optional<PetErrand> queuedErrand() const { return queuedErrand_; }
    std::optional<double> actingUntil() const { return actingUntil_; }
    std::optional<PetWake> lastWake() const { return lastWake_; }
    std::optional<double> snoozeUntil() const { return snoozeUntil_; }
    bool snoozedThisNap() const { return snoozedThisNap_; }
    std::optional<double> sleptNight() const { return sleptNight_; }
    std::optional<IslandRoomKind> sulkRoom() const { return sulkRoom_; }
    std::optional<PetErrand> highSpot() const { return highSpot_; }
    std::optional<double> climbedAt() const { return climbedAt_; }
    std::optional<PetPerchExit> cameDown() const { return cameDown_; }
    std::optional<double> thudDue() const { return thudDue_; }
    double place() const { return place_; }
    bool facingRight() const { return facingRight_; }
    bool isStepping() const { return isStepping_; }
    bool isZooming() const { return isZooming_; }
    std::optional<double> cursor() const { return cursor_; }
    const PetSprings& springs() const { return springs_; }
    PlayPhase playPhase() const { return playPhase_; }
    double pawReach() const { return pawReach_; }
    double ballRoll() const { return ballRoll_; }
    double ballPlace() const { return ballPlace_; }
    double ballSide() const { return ballSide_; }
    double hideEdge() const { return hideEdge_; }
    std::optional<double> toyUntil() const { return toyUntil_; }
    std::optional<double> playStartedAt() const { return playStartedAt_; }
    std::optional<double> startledUntil() const { return startledUntil_; }
    std::optional<double> lookingAtYouUntil() const { return lookingAtYouUntil_; }
    std::optional<double> poopDue() const { return poopDue_; }
    std::optional<double> sneezedAt() const { return sneezedAt_; }
    std::optional<double> fussUntil() const { return fussUntil_; }
    std::optional<double> lovedUntil() const { return lovedUntil_; }
    std::optional<double> zeroHealthSince() const { return zeroHealthSince_; }
    double lastSave() const { return lastSave_; }
    const std::vector<PetReaction>& reactions() const { return reactions_; }
    const Beat& beat() const { return beat_; }
    double beatStarted() const { return beatStarted_; }
    std::optional<BotState> lastFace() const { return lastFace_; }
    std::optional<PetNeed> alertedNeed() const { return alertedNeed_; }
    std::optional<double> lastAlert() const { return lastAlert_; }
    bool isWatched() const { return isWatched_; }
    // Set by the room view while it is on screen. Coming into view, the cat meows at the user
    // shortly after; out of view it stops trying.
    void setWatched(bool watched);
    std::optional<double> nextMeow() const { return nextMeow_; }
    double cursorMovedAt() const { return cursorMovedAt_; }
    double lastTrick() const { return lastTrick_; }
    double lastSlowBlink() const { return lastSlowBlink_; }
    double lastHunt() const { return lastHunt_; }
    double lastHid() const { return lastHid_; }
    double lastDrank() const { return lastDrank_; }
    std::optional<PetErrand> lastIdleErrand() const { return lastIdleErrand_; }
    int lastStartle() const { return lastStartle_; }
    bool inspectingLitter() const { return inspectingLitter_; }
    std::optional<double> nextChew() const { return nextChew_; }
    std::size_t nightTapCount() const { return nightTaps_.size(); }
    std::size_t petClickCount() const { return petClicks_.size(); }

    // The cat is not out on the desktop and is in the room on view.
    bool isVisible() const { return !isOut_ && room_ == viewRoom_; }

    // --- Operations ---
    // Falls asleep or wakes; pushes the face. Asleep twice changes nothing.
    void setSleeping(bool on);
    // Writes the record now.
    void save();
    // Body and head scale for the cat's age.
    PetGrowth growth() const;
    // Changes the body pose; leaving a lookout from a high spot schedules the landing thud.
    void setPose(PetPose pose);
    // Works out the face and sends it when it differs from the last one sent.
    void pushFace();
    // Adds `count` bubbles starting at `start` (reference seconds), 0.14 s apart; keeps the last 12.
    void react(PetReaction::Kind kind, int count, double start, const QString& text = {});
    // Up on a high spot long enough to sit there.
    bool perchSettled() const;
    // An idle beat's length: "beatLengthSeconds" (10 s when unset) times a draw in lo...hi.
    double beatLength(double lo, double hi);

    // --- The stat step and what it shares with loading and care ---
    // One stat step; run by the 1 s timer.
    void statStep();
    // One motion step; run by the 1/30 s timer.
    void motionStep();
    // The motion timer for whether the cat is seen: a step every 1/30 s, none while a view's frames
    // run the steps, or none while unseen, the steps then held back for the stat step.
    void scheduleMotion();
    // Drains (or, asleep, restores) the stats over `dt` seconds.
    void drain(bool asleep, double dt);
    void updateMood();
    std::optional<PetNeed> currentNeed() const;
    // Sets the need from the stats and announces a new or long-standing one.
    void alertNeed();
    // The stage at the moment `t` (reference seconds).
    PetStage stageFor(double t) const;
    // Night on the sky and no night's sleep begun since the last noon.
    bool isBedtime() const;
    // Begins the night's sleep (50 to 70 minutes) of a cat that is already asleep.
    void startNightSleep();
    // Wakes a sleeping cat with a drawn mood; a lazy cat snoozes on. Returns the mood drawn.
    WakeMood wakeUp(bool byUser, double at);
    // The stretch on waking.
    void stretchAndYawn();
    // Sets the cat off on an errand (it walks there through the motion step). A running acting
    // time ends with it: the new errand is walked to and acted, never finished in the old one's place.
    void startErrand(PetErrand errand);

    // --- Errands ---
    // Where the cat stands for an errand: beside the ball for play, at the nearer edge for hide.
    double approach(PetErrand errand) const;
    // The room an errand takes the cat to; none for errands done wherever the cat is.
    std::optional<IslandRoomKind> errandRoom(PetErrand errand) const;
    // Why a meal served now would not be eaten; none when the cat would go and eat it.
    std::optional<PetUnfed> whyNotEat() const;
    // A shop meal (treats, tuna or salmon) to eat. False, with nothing left pending, when the cat
    // cannot eat now or the item is no meal. Once accepted the meal stays in the bowl until the cat
    // eats, also when the walk there is cut short.
    bool feed(ShopItem meal);
    // One walking step toward `target` at `speed` room widths per second; true once there.
    bool walk(double target, double dt, double speed);

    // --- Idle beats and attention ---
    // The next idle beat by mood and energy, from the moment `t`.
    Beat chooseBeat(double t);
    // An errand the idle cat takes up by room, weather and time, or none.
    std::optional<PetErrand> pickIdleErrand(double t);
    // Runs the current beat for one motion step of `dt` seconds ending at `t`.
    void runBeat(double dt, double t);
    // After a pet: now and then a roll-over, kneading or a slow blink.
    void maybeTrick();
    // 0 roll over, 1 kneading, 2 slow blink.
    void doTrick(int kind);
    // Naps through a focus round; the end of the round wakes a napping cat.
    void startFocusNap();
    void endFocusNap();
    // Advances the batting animation to `t` (reference seconds); frame() calls it.
    void updatePlay(double t);
    // Dead, asleep, on an errand, zooming or in a pose of its own.
    bool isBusy() const;

    // --- Care and pokes ---
    // A click on the cat.
    PetResult pet();
    // A tap on a cat asleep for the night; five within 6 s decide.
    PetResult nightTap(double at);
    // A thunder flash with its index; each flash startles once.
    void startle(int flash);
    // An errand from the user; a cat out of sight takes it up on arrival (or on coming home). The
    // care it stands for counts at once. False when the cat refuses it: dead, asleep for the night,
    // or busy with something of its own.
    bool send(PetErrand errand);
    // Plays with an owned toy (yarn, box, feather, laser); false when play did not start.
    bool play(ShopItem with);
    // Empties the litter box and sends the cat for a look; a dead cat's box is only emptied.
    void clean();
    // A new cat (after a death).
    void restart();
    // The cat leaves for the desktop, and comes home.
    void goOut();
    void comeBack();
    // The desktop cat settles to sleep out there.
    void sleepOutside();
    // The user looks at another room; the cat follows 3 s later. What was asked for in the room left
    // behind is dropped, unless the cat is out on the desktop.
    void followView(IslandRoomKind room);
    // The pointer's x as a share of the screen width, none when there is no pointer.
    void cursorMoved(std::optional<double> x);

    // --- Body frame ---
    // Steps the body springs to the display frame at `t` (reference seconds). Allocation-free.
    void frame(double t);
    bool isLyingDown() const;
    // Seconds since play with the current toy began; none without a toy.
    std::optional<double> toyElapsed() const;

    // --- Read-outs ---
    // What the cat is doing, for the line under its name.
    QString statusLine() const;
    // Age as "3d", "5h" or "12m".
    QString ageText() const;
    bool isNightSleeping() const { return isSleeping_ && nightSleepUntil_.has_value(); }

signals:
    void changed();

private:
    friend struct PetLifeTestAccess;
    friend struct PetLifeProbe;

    // The cat's time, or while a held-back motion step runs, that step's moment.
    double now() const;
    SkyLook look() const;
    double drainSeconds() const;  // "statDrainSeconds", or the default
    double drainRate() const;     // full bar per drainSeconds
    // The drain with the rate already looked up, so the catch-up reads the setting once.
    void drainAtRate(bool asleep, double dt, double rate);
    void load();
    void startTimers();
    void sound(PetSound s) const;
    void emote(BotEmote e) const;

    void arrive(double t);
    // Drops the errand under way and any play in progress, leaving the cat idle where it stands.
    void stopErrand();
    // Ends a play bout: the ball rests and the paw is back.
    void stopPlay();
    // The errand asked for while out of sight: started now, or dropped (a bought meal it was for
    // stays in the bowl for the next eat).
    void startQueued();
    void dropQueued();
    // The cat's time moves by `by` seconds without time being lived: every moment it keeps moves
    // with it, so nothing comes sooner or waits longer than it was meant to.
    void shiftMoments(double by);
    // Its time meets the true wall clock (at a start, or once a wrong clock is set right).
    void meetTrueClock();
    // Lives through `seconds` away in coarse steps, as after a start: naps included, never to death.
    // Lived from the moment `from`, a night's sleep under way lasts to its end.
    void liveThrough(double seconds, std::optional<double> from = std::nullopt);
    // The same while the app runs (the machine slept, the app stalled): a nap taken or ended
    // meanwhile shows at once.
    void liveAway(double seconds);
    void routeToward(IslandRoomKind target, double dt);
    void startActing(PetErrand errand, double t);
    void finishErrand(PetErrand errand, double t);
    void chewSounds(double t);
    // The common end of an errand: a short sit.
    void sitAfter(double t, double length = 2.4);
    void setBeat(const Beat& beat, double t);
    void meowAtWatcher(double t);
    void watchCursor(double t);
    IslandRoomKind pickSulkRoom();
    void recordCare(const char* key, double t);
    SkyWeather frameWeather(double t);

    void die();
    void checkGrowth(double now);
    void sneezeCheck(double now);
    void scheduleArrivalAfterWake(double now);
    void updateAmbience();

    // Every write of a published value notifies, also when the value stays the same.
    template <typename T, typename V>
    void publish(T& field, V&& value) {
        field = std::forward<V>(value);
        emit changed();
    }

    Defaults& store_;
    Clock& clock_;
    RandomSource& random_;
    Scheduler& scheduler_;

    AmbienceTarget* ambience_ = nullptr;
    std::function<SkyLook()> skyLook_;
    std::function<bool()> videoPlaying_;
    std::function<void(const QString&, double)> careRecorder_;

    // Published.
    double hunger_ = 40;
    double happiness_ = 70;
    double energy_ = 80;
    double health_ = 100;
    bool isSleeping_ = false;
    bool isDead_ = false;
    PetMood mood_ = PetMood::idle;
    PetPose pose_ = PetPose::sitting;
    std::optional<PetNeed> need_;
    int poops_ = 0;
    PetStage stage_ = PetStage::kitten;
    bool isOut_ = false;
    std::optional<double> nightSleepUntil_;
    bool focusNap_ = false;
    std::optional<ShopItem> toy_;
    std::optional<ShopItem> meal_;
    bool inHouse_ = false;

    // The cat's own time, which the wall clock set while the app runs does not move.
    mutable CatClock time_{clock_};
    bool onTrueClock_ = false;
    // Its moments are on the calendar: false for a cat born under a clock known to be wrong that
    // has not met a true one since (its moments count from an arbitrary origin). Saved.
    bool clockKnown_ = true;

    // Plain.
    double birth_ = 0;
    IslandRoomKind room_ = IslandRoomKind::bedroom;
    IslandRoomKind viewRoom_ = IslandRoomKind::bedroom;
    std::optional<double> arrivalDue_;
    std::optional<PetErrand> queuedErrand_;
    std::optional<PetWake> lastWake_;
    std::optional<double> snoozeUntil_;
    bool snoozedThisNap_ = false;
    std::optional<double> toyUntil_;
    std::optional<double> sleptNight_;
    std::vector<double> nightTaps_;
    std::optional<IslandRoomKind> sulkRoom_;
    std::optional<PetErrand> highSpot_;
    std::optional<double> climbedAt_;
    std::optional<PetPerchExit> cameDown_;
    double place_ = 0.42;
    bool facingRight_ = true;
    bool isStepping_ = false;
    bool isZooming_ = false;
    std::optional<double> cursor_;
    double cursorMovedAt_ = kDistantPast;
    PetSprings springs_;
    PlayPhase playPhase_ = PlayPhase::crouch;
    double pawReach_ = 0;
    double ballRoll_ = 0;
    double ballPlace_ = 0.58;
    double ballSide_ = 1;
    std::optional<double> playStartedAt_;
    std::optional<double> fussUntil_;
    std::optional<double> startledUntil_;
    std::optional<double> lovedUntil_;
    std::optional<double> sneezedAt_;
    int lastStartle_ = -1;
    double nextSneeze_ = 0;
    double lastTrick_ = kDistantPast;
    double lastHid_ = kDistantPast;
    double hideEdge_ = -0.03;
    std::optional<double> thudDue_;
    std::vector<PetReaction> reactions_;
    int reactionSerial_ = 0;
    bool isWatched_ = false;
    std::optional<double> lookingAtYouUntil_;
    std::optional<double> nextMeow_;
    FaceCallback onFaceChange_;
    std::optional<BotState> lastFace_;
    AlertCallback onAlert_;
    SoundCallback onSound_;
    EmoteCallback onEmote_;
    std::optional<PetNeed> alertedNeed_;
    std::optional<double> lastAlert_;
    std::optional<PetErrand> lastIdleErrand_;
    double lastDrank_ = kDistantPast;
    std::optional<double> nextChew_;
    double lastSlowBlink_ = 0;
    double lastHunt_ = 0;
    std::optional<double> poopDue_;
    double lastSave_ = 0;
    std::optional<PetErrand> errand_;
    std::optional<double> actingUntil_;
    std::optional<double> zeroHealthSince_;
    double lastMotion_ = 0;
    // The moment a held-back motion step stands for; now() reads it while the step runs.
    std::optional<double> steppedNow_;
    bool seen_ = true;
    bool motionBatched_ = false;
    bool steppedByFrames_ = false;
    std::pair<double, long long> motionGrid_{0, 0};  // origin and count of held-back steps
    double lastStatTick_ = 0;
    WorkId motionTimer_ = 0;
    bool motionScheduled_ = false;
    WorkId statTimer_ = 0;
    Beat beat_;
    double beatStarted_ = 0;
    std::vector<double> petClicks_;
    bool inspectingLitter_ = false;
    // The weather the body frame reads, looked up at most once a second.
    SkyWeather frameWeather_ = SkyWeather::clear;
    double frameWeatherAt_ = kDistantPast;
};

}  // namespace kp
