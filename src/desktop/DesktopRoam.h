#pragma once
// The roaming controller: decides once a second when the cat goes out on the desktop and when it
// comes back, reminds the user of a break after long work, turns the pet's needs into asks, and
// while the cat is out drives it sixty times a second, switches the panel between click-through
// and clickable, calls the cat home when the island opens and watches for file drags.
#include "core/IslandTypes.h"
#include "desktop/DesktopCat.h"
#include "life/Pomodoro.h"

#include <QObject>
#include <QPointF>
#include <QRectF>

#include <functional>
#include <memory>
#include <optional>

namespace kp {

class Scheduler;

// The two tricks rare enough to be spaced over outings rather than within one: how long the cat
// has been out, over all its outings, since it last knocked a mug off and since it last brought a
// gift. Seconds at home do not count.
struct TrickAges {
    double mug = 0;
    double gift = 0;
};

// The roaming panel as the controller drives it.
class RoamSurface {
public:
    virtual ~RoamSurface() = default;
    // The panel's frame on the desktop (top-left origin).
    virtual QRectF frame() const = 0;
    virtual bool clickThrough() const = 0;
    virtual void setClickThrough(bool on) = 0;
    // Shown above everything without taking focus; and taken away.
    virtual void orderFront() = 0;
    virtual void orderOut() = 0;
    // The scene moved on: show its new frame.
    virtual void redraw() {}
    // The other windows were restacked: come back up (still below the app's own windows).
    virtual void restack() {}
    // The roamed screen changed: cover it as it is now.
    virtual void refit(const RoamScreen&) {}
};

// The cat of an outing as the controller drives it (the desktop cat, or a stand-in in tests).
class RoamCat {
public:
    virtual ~RoamCat() = default;
    virtual void queue(DesktopCat::Trick trick) = 0;
    virtual void ask(PetNeed need) = 0;
    virtual void headHome(bool immediately) = 0;
    virtual void announce() = 0;
    virtual void mouseMoved(QPointF to) = 0;
    virtual void tick(double now) = 0;
    virtual QRectF hitRect() const = 0;
    virtual QPointF mouse() const = 0;
    virtual bool isDragged() const = 0;
    // Asking now, or an ask waiting.
    virtual bool isAsking() const = 0;
    virtual bool homeBound() const = 0;
    virtual bool userDragging() const = 0;
    virtual void setUserDragging(bool on) = 0;
    virtual void userStartedDragging() = 0;
    virtual void userStoppedDragging() = 0;
    virtual void setMischief(bool on) = 0;
    virtual void setOnHome(std::function<void()> onHome) = 0;
    virtual void setPendingApp(long long pid, double at) = 0;
    // The roamed screen changed: the ground is the new screen's, and the cat comes onto it.
    virtual void moveTo(const RoamScreen& screen, double now) = 0;
    // Moves whenever the windows under the cat change (moved, restacked, opened or closed).
    virtual int groundChanges() const { return 0; }
    // The desktop cat behind it; none for a stand-in.
    virtual DesktopCat* model() { return nullptr; }
    // The ages of the rare tricks as of `now`, and setting them on a cat that has just come out.
    virtual TrickAges trickAges(double) const { return {}; }
    virtual void setTrickAges(const TrickAges&, double) {}
};

// The desktop cat as the controller drives it.
std::unique_ptr<RoamCat> roamerFor(std::unique_ptr<DesktopCat> cat);

// What the controller reaches outside itself. Empty functions mean: no screen, pointer at the
// origin, button up, drag count 0, island hidden and on its room view, no active application.
struct RoamServices {
    Clock* clock = nullptr;
    RandomSource* random = nullptr;
    Defaults* store = nullptr;
    Scheduler* scheduler = nullptr;
    InputIdleness* idleness = nullptr;
    PetLife* life = nullptr;
    long long ownPid = 0;
    std::function<Pomodoro::Phase()> pomodoroPhase;
    std::function<IslandMode()> islandMode;
    std::function<IslandView()> islandView;
    std::function<std::optional<RoamScreen>()> screen;  // the notched screen, else the main one
    std::function<QPointF()> pointer;                   // on the desktop, top-left origin
    std::function<bool()> primaryButtonDown;
    std::function<int()> dragChangeCount;               // moves whenever a drag starts
    std::function<long long()> activePid;               // the application in front; 0 when unknown
    std::function<std::unique_ptr<RoamCat>(const RoamScreen&)> makeCat;
    std::function<std::unique_ptr<RoamSurface>(const RoamScreen&, RoamCat&)> makePanel;
};

class DesktopRoam final : public QObject, public DesktopRoaming {
    Q_OBJECT
public:
    explicit DesktopRoam(RoamServices services, QObject* parent = nullptr);
    ~DesktopRoam() override;

    // The app's controller, made on first use (after the application object exists).
    static DesktopRoam& shared();

    // Starts the once-a-second schedule; a second call does nothing.
    void start();
    void scheduleTick();
    std::optional<PetNeed> needToAsk() const;
    void goOut();
    void comeHome();
    // Sends the cat out by hand (menu, settings, break); also when roaming is switched off.
    void sendOut();
    // The menu item and the settings button: send the cat out, or call it home at once.
    void toggle();
    // Calls a cat that is out home at once; nothing when none is out.
    void callHome();
    void frameTick();
    // The screens changed (a size, the primary one, one unplugged): a cat that is out follows the
    // screen an outing would take now, with its panel; with no screen left it is home at once.
    void screenChanged();
    void checkFileDrag(RoamCat& cat);
    void appActivated(long long pid);

    // DesktopRoaming (the pomodoro): the break after a focus round; the cat out, if any.
    void breakStarted() override;
    DesktopRoamingCat* cat() override;

    bool isOut() const { return isOut_; }
    RoamCat* roamingCat() const { return cat_.get(); }
    RoamSurface* panel() const { return panel_.get(); }

    // Kept between outings; readable for tests and the settings' status.
    double nextOuting = 0;
    double outUntil = distantFuture;
    double wentOutAt = 0;
    bool wasExpanded = false;
    double workingSince = 0;
    double lastBreakAsk = 0;
    bool buttonWasDown = false;
    int dragCountAtPress = 0;
    double lastDragCheck = distantPast;
    std::optional<DesktopCat::Trick> pendingTrick;
    std::optional<PetNeed> pendingNeed;
    double lastNeedAsk = distantPast;
    bool forced = false;
    // Read from each cat as it comes home and handed to the next: a new cat would otherwise have to
    // stay out a quarter of an hour for either trick.
    TrickAges trickAges;

signals:
    void isOutChanged(bool out);
    void changed();

private:
    class PomodoroCat;
    bool roamOn() const;
    bool onboarded() const;
    bool mischief() const;
    bool petDead() const;
    bool petAsleep() const;
    std::optional<PetNeed> petNeed() const;
    bool focusPhase() const;
    IslandMode islandMode() const;
    double now() const;
    void setOut(bool out);
    // Sends the cat out; false when it cannot go.
    bool leaveHome();
    // Starts the frame timer at the display's rate.
    void runFrames();

    RoamServices s_;
    std::unique_ptr<RoamCat> cat_;
    std::unique_ptr<RoamSurface> panel_;
    std::unique_ptr<PomodoroCat> pomodoroCat_;
    std::uint64_t scheduleTimer_ = 0;
    std::uint64_t frameTimer_ = 0;
    bool isOut_ = false;
    long long lastActivePid_ = 0;
    int groundChanges_ = 0;
    double lastActiveCheck_ = distantPast;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kp
