#pragma once
// The cat out on the desktop: its ground, where its feet are, its pose and blends, the plan of
// steps it runs, its hop or fall, the mug and the gift of its tricks, the lines and hearts above
// it, its passing moods and the cooldown stamps of its tricks. One per outing; the roaming
// controller makes it and drops it when the cat is home. Coordinates are the roamed screen's own
// points (top-left origin, y downward); times are reference seconds from the injected clock.
//
// The model is spread over several files: this class's members are defined in DesktopCat.cpp
// (state, sounds, small queries), DesktopFrame*.cpp (the frame tick, terrain rescans, perches and
// the calls from outside), DesktopPhysics*.cpp (hops, falls, landing, mug and gift),
// DesktopPointer*.cpp (pointer, petting, holding), DesktopStep*.cpp (the step runner and the step
// handlers), KeyboardWalk*.cpp, DesktopPlan*.cpp (plan choice and builders), DesktopReaction*.cpp
// and DesktopFace*.cpp.
#include "desktop/DesktopTerrain.h"

#include "cat/CatLook.h"
#include "cat/CatMotion.h"
#include "life/MediaWatcher.h"
#include "life/PetTypes.h"
#include "life/Pomodoro.h"

#include <QPointF>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace kp {

class Clock;
class Defaults;
class InputIdleness;
class NotificationCenter;
class PetLife;
class Processes;
class RandomSource;

// The dates the cat's stamps start from when "long ago" or "never" is meant.
inline constexpr double distantPast = -63114076800.0;
inline constexpr double distantFuture = 63113904000.0;

// What the desktop cat reaches outside itself. Every pointer must be set (DesktopWorld::shared()
// fills them from the app's instances; tests give their own); an empty function means "nothing":
// no media playing, no track, the pomodoro idle, no sound, nothing opened.
struct DesktopWorld {
    Clock* clock = nullptr;
    RandomSource* random = nullptr;
    Defaults* store = nullptr;
    NotificationCenter* hub = nullptr;
    PetLife* life = nullptr;
    WindowList* windows = nullptr;
    Processes* processes = nullptr;
    InputIdleness* idleness = nullptr;
    std::function<MediaWatcher::Playing()> playing;
    std::function<std::optional<QString>()> track;
    std::function<Pomodoro::Phase()> pomodoroPhase;
    std::function<void()> startBreak;                   // the pomodoro's break after a focus round
    std::function<void(PetSound, double pitch)> playSound;
    std::function<void(const QString& path)> openFile;  // in the text editor, without taking focus

    // The app's shared instances (after the application object exists).
    static DesktopWorld shared();
};

class DesktopCat {
public:
    enum class Pose { stand, walk, run, sit, groom, swat, stare, lie, sleep, crouch, air, dangle, stomp, back };

    enum class Trick { peek, pounce, gift, breakTime, mug, keyboard, nap, bellyNap, play, meow, watch, vibe };
    static constexpr int trickCount = 12;
    // The trick's name ("breakTime"), and the trick a name gives (exact; none otherwise).
    static QString trickName(Trick trick);
    static std::optional<Trick> trickFromRawValue(const QString& name);
    static const std::vector<Trick>& allTricks();

    // One step of a plan. `length` is the duration in seconds of the steps that have one; `x`
    // and `run` belong to walk, `ground` and `x` to hop.
    struct Step {
        enum class Kind {
            walk, hop, sit, groom, loaf, follow, stare, watchCup, peek, rummage, plea, ask, playAlone, watch,
            vibe, sleep, nudgeCup, stomp, intoNotch, pounce, bringGift, dropGift, chase, meow
        };
        Kind kind = Kind::sit;
        double length = 0;
        double x = 0;
        bool run = false;
        int ground = 0;

        static Step walk(double x, bool run) { return {Kind::walk, 0, x, run, 0}; }
        static Step hop(int ground, double x) { return {Kind::hop, 0, x, false, ground}; }
        static Step timed(Kind kind, double seconds) { return {kind, seconds, 0, false, 0}; }
        static Step sit(double s) { return timed(Kind::sit, s); }
        static Step groom(double s) { return timed(Kind::groom, s); }
        static Step loaf(double s) { return timed(Kind::loaf, s); }
        static Step follow(double s) { return timed(Kind::follow, s); }
        static Step stare(double s) { return timed(Kind::stare, s); }
        static Step watchCup(double s) { return timed(Kind::watchCup, s); }
        static Step peek(double s) { return timed(Kind::peek, s); }
        static Step rummage(double s) { return timed(Kind::rummage, s); }
        static Step plea(double s) { return timed(Kind::plea, s); }
        static Step ask(double s) { return timed(Kind::ask, s); }
        static Step playAlone(double s) { return timed(Kind::playAlone, s); }
        static Step watch(double s) { return timed(Kind::watch, s); }
        static Step vibe(double s) { return timed(Kind::vibe, s); }
        static Step of(Kind kind) { return {kind, 0, 0, false, 0}; }  // the steps without a payload

        bool operator==(const Step&) const = default;
    };
    using Plan = std::vector<Step>;

    // A speech line or a heart rising above the cat.
    struct Pop {
        enum class Kind { say, heart };
        std::uint64_t id = 0;  // unique within the outing
        double born = 0;
        QPointF p;
        Kind kind = Kind::heart;
        QString text;  // the line of a `say`
        double drift = 0;
    };

    // A parabolic hop.
    struct Flight {
        QPointF from;
        QPointF to;
        double start = 0;
        double duration = 0;
        int window = 0;
        bool intoNotch = false;
        double arc = 0;
    };

    struct Gift {
        QPointF p;
        int window = 0;
        bool carried = false;
        std::optional<double> placedAt;
    };

    // The mug on a window's top edge.
    struct Cup {
        QPointF p;  // base of the mug
        double vx = 0;
        double vy = 0;
        double angle = 0;
        double spin = 0;
        bool falling = false;
        bool bounced = false;
        int window = 0;
        std::optional<double> landedAt;
    };

    struct DragSample {
        double at = 0;
        QPointF p;
    };

    struct PendingApp {
        long long pid = 0;
        double at = 0;
    };

    // Shows up just below the top bar in the middle of the screen and drops in (with a trill).
    DesktopCat(const RoamScreen& screen, DesktopWorld world);
    ~DesktopCat();
    DesktopCat(const DesktopCat&) = delete;
    DesktopCat& operator=(const DesktopCat&) = delete;

    // ---- The model (DesktopCat.cpp) ----
    // Sets the voice pitch from the pet's stage and plays the sound.
    void playSound(PetSound sound);
    // The terrain from the window list now, on this cat's screen.
    Terrain scanTerrain() const;
    const DesktopWorld& world() const { return world_; }
    PetLife& life() const { return *world_.life; }
    double now() const;
    double unit();                       // uniform 0...1, both ends
    double uniform(double lo, double hi);
    bool coin();
    double bodyScale() const;            // the pet's growth: 0.6 kitten ... 1.0 grown
    double headScale() const;
    double sizeUnit() const { return 1.45 * bodyScale(); }  // points per drawing unit
    // How far the cat's drawing reaches at most to either side of its feet: the sleep letters, which
    // rise from the head of a cat asleep and drift on ahead of it, reach past every pose and outfit.
    double drawnReach() const;
    // x kept that far from the screen's sides (the middle of a screen too narrow for that).
    double keptOnScreen(double x) const;
    // Where the feet go on the ground for a target x: kept off the ground's ends, and far enough
    // from the screen's sides for the whole cat to show; on a ground too short for both, its spot
    // nearest the screen's middle.
    double spotOn(const Ledge& ground, double x) const;
    MediaWatcher::Playing playing() const;
    std::optional<QString> track() const;
    Pomodoro::Phase pomodoroPhase() const;
    double secondsSinceInput() const;
    // The current step's kind; none with an empty plan.
    std::optional<Step::Kind> currentStep() const;
    // Makes a pop with a fresh id.
    Pop makePop(QPointF p, Pop::Kind kind, const QString& text, double born, double drift);

    // ---- Frame tick and terrain refresh ----
    void tick(double now);
    void rescanTerrain(double now);
    // The roamed screen changed size or place, or another one took its place: the ground is built
    // again for it at once, and what lies off it comes back on (the cat drops onto the new floor).
    void moveToScreen(const RoamScreen& to, double now);
    // Whether the windows or the perches differ from the last rebuild's.
    bool groundMoved();
    std::optional<Ledge> watchPerch(int window) const;
    std::optional<int> watchableWindow() const;
    Plan watchPlan(int window, double seconds);
    bool isInterruptible() const;
    QPointF headPoint() const;
    void headHome(bool immediately);
    void ask(PetNeed need);
    void queue(Trick trick);
    void announce();

    // ---- Hops, falls and landing ----
    void startFlight(QPointF to, int window, bool intoNotch);
    void updateFlight(double now);
    void updateFall(double dt, double now);
    void startFalling();
    void land(const Ledge& ledge, double impact, double now);
    std::optional<Ledge> floorLanding() const;
    // The current step is done: its first step is removed and the next one starts now.
    void nextStep(double now);

    // ---- Mug and gift ----
    void updateCup(double dt, double now);
    void updateGift(double now);

    // ---- Pointer, petting and holding ----
    void mouseMoved(QPointF to);
    QRectF hitRect() const;
    void userStartedDragging();
    void userStoppedDragging();
    void pet();
    void pickUp();
    void drop();

    // ---- Step runner and steps ----
    void runStep(double now, double dt, const Ledge& ground);
    void pleaStep(double now, double t, double length);
    void askStep(double now, double t, double length);
    void followStep(double now, double dt, const Ledge& ground, double t, double length);
    void chaseStep(double now, double dt, const Ledge& ground);
    void watchStep(double now, double dt, double t, double length);
    void wokenUp(double now, const Ledge& ground);
    void peekStep(double now, const Ledge& ground, double t, double length);
    void pounceLeap();
    void bringGiftStep(double now, const Ledge& ground);
    void playStep(double now, double dt, const Ledge& ground, double t, double length);
    void nudgeCupStep(double now, double t);
    void walkOnKeyboard();

    // ---- Plan choice and builders ----
    Plan choosePlan(double now, const Ledge& ground);
    Plan homePlan(const Ledge& from);
    QPointF breakSpot();
    Plan planFor(Trick trick, const Ledge& ground);
    Plan dockPlan(const Ledge& from);
    Plan followPlan();
    Plan wanderPlan(const Ledge& on);
    Plan hopPlan(const Ledge& to);
    Plan vibePlan(double now);
    Plan watchVideoPlan(int window, double now);
    Plan watchWorkPlan(int window, double now);
    Plan groomPlan();
    Plan meowPlan(double now);
    Plan playPlan(double now);
    Plan napHerePlan();
    Plan peekPlan(const Ledge& on, double now);
    Plan giftPlan(const Ledge& on);
    Plan loafPlan();
    Plan sitPlan();
    Plan mugPlan(const Ledge& on);

    // ---- Reactions between steps ----
    void react(double now);

    // ---- Face, gaze and plea lines ----
    CatExpression expression(double now) const;
    QPointF eyeLook(double now) const;
    QString needLine(PetNeed need);

    // ---- State, in the order the model keeps it ----
    Terrain terrain;
    RoamScreen screen;  // changed only by moveToScreen()
    QPointF feet;
    bool facingRight = true;
    Pose pose = Pose::air;
    double sit = 0;
    double appear = 0;
    double squash = 1;
    double turn = 1;
    LiveFace face;
    std::optional<Cup> cup;
    std::vector<Pop> pops;
    bool isDragged = false;
    bool homeBound = false;
    std::optional<Gift> gift;
    std::optional<double> peekLine;
    double peekDepth = 0;
    bool wiggle = false;
    bool bellyUp = false;
    std::optional<QPointF> toy;
    double toyVX = 0;
    bool forceBelly = false;
    std::optional<int> watchWindow;
    bool watchOver = false;
    double backTilt = 0;
    double backTurn = 0;
    double tiltTarget = 0;
    double nextTilt = distantPast;
    double nextWonder = distantPast;
    bool vibing = false;
    bool vibeAnyway = false;
    double nextNote = distantPast;
    double lastWatchWork = 0;  // now at creation
    double lastWatchVideo = distantPast;
    double lastVibe = distantPast;
    MediaWatcher::Playing lastMedia = MediaWatcher::Playing::nothing();
    double nextSwat = distantPast;
    bool userDragging = false;
    QPointF mouse{-999, -999};
    bool mischief = true;
    std::function<void()> onHome;
    double mouseMovedAt = distantPast;
    int window = ground::floor;
    Plan plan;
    double stepStarted = 0;  // now at creation
    std::optional<Flight> flight;
    double vx = 0;
    double vy = -120;
    bool falling = true;
    double last = 0;  // now at creation
    double lastScan = distantPast;
    int groundChanges = 0;  // terrain rebuilds so far
    double lovedUntil = distantPast;
    double grumpyUntil = distantPast;
    double surprisedUntil = distantPast;
    double smugUntil = distantPast;
    double lastFollow = distantPast;
    double lastKnock = 0;  // now at creation
    std::vector<DragSample> dragHistory;
    QPointF lastMouse{-999, -999};
    double mouseSpeed = 0;
    double lastPounce = distantPast;
    double lastPeek = 0;   // now at creation
    double lastGift = 0;   // now at creation
    double lastPlay = 0;   // now at creation
    double lastMeow = 0;   // now at creation
    double meowUntil = distantPast;
    double lastAppHop = distantPast;
    std::optional<PendingApp> pendingApp;
    std::optional<Trick> queuedTrick;
    bool pendingBreak = false;
    std::optional<QPointF> breakSpotPoint;  // the break perch's point while it exists
    bool breakOver = false;
    double lastPlea = distantPast;
    std::optional<PetNeed> asking;
    std::optional<PetNeed> pendingAsk;
    double lastAskSay = distantPast;
    int nudges = 0;

private:
    DesktopWorld world_;
    std::uint64_t nextPopId_ = 1;
    // What the terrain was last built from.
    std::vector<WindowInfo> scannedWindows_;
    std::optional<QPointF> scannedBreakSpot_;
    std::optional<int> scannedWatch_;
    // The pet's growth as of the last tick: it changes by the minute, and is read many times a frame.
    PetGrowth growth() const;
    mutable std::optional<PetGrowth> growth_;
    mutable double growthAt_ = 0;
};

// The pitch of the cat's voice for its stage: kitten 1.3, junior 1.12, grown 1.0.
double desktopVoicePitch(PetStage stage);

}  // namespace kp
