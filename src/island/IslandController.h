#pragma once
// The island's controller: it owns the panel and the state machine, tracks the pointer, routes
// clicks, keeps the app state's mode and view in step, drives the music and tells the album
// whether the island is open.
#include "core/IslandTypes.h"
#include "core/IslandServices.h"
#include "island/IslandStateMachine.h"
#include "platform/NotificationCenter.h"

#include <QObject>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSizeF>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QMenu;
class QScreen;
class QTimer;

namespace kp {

namespace x11 {
class ClickPlace;
class PointerProbe;
}

class AppState;
class Clock;
class Defaults;
class IslandPanel;
class Scheduler;

// The screen the island lives on: Linux screens have no notch, so the primary one (none when
// there is no screen at all).
QScreen* notchedScreen();

// A screen as the island needs it: its frame on the desktop, the part the window manager keeps
// free of panels, and its pixel ratio.
struct IslandScreen {
    QRect geometry;
    QRect available;
    double pixelRatio = 1;
};

// Where the island lives, and word whenever that may have changed.
class IslandScreens {
public:
    virtual ~IslandScreens() = default;
    virtual std::optional<IslandScreen> current() const = 0;
    std::function<void()> changed;
};

// The primary screen, followed as screens come, go, change size or take the primary's place.
std::unique_ptr<IslandScreens> primaryScreen();

// Whether the desktop has a tray host to show the app's menu, and word whenever that may have
// changed.
class IslandTray {
public:
    virtual ~IslandTray() = default;
    virtual bool available() const = 0;
    std::function<void()> changed;
};

// The desktop's tray hosts as the toolkit finds them, followed as they come and go.
std::unique_ptr<IslandTray> desktopTray();

// Whether a full-screen window is in front where the island sits (a video, a game): the island
// then shows nothing there and takes no pointer input. Word whenever that changes.
class IslandFullScreen {
public:
    virtual ~IslandFullScreen() = default;
    // Follows the windows over `area` of `screen` (root pixels) from now on; none: stops following.
    virtual void follow(std::optional<std::pair<QRect, QRect>> screenAndArea) = 0;
    virtual bool covered() const = 0;
    std::function<void()> changed;
};

// The desktop's windows as the window manager tells of them.
std::unique_ptr<IslandFullScreen> desktopFullScreen();

// How far below the screen's top edge the island sits: under a top panel (whatever the window
// manager keeps free at the top), so the panel's own clock and buttons stay reachable.
double islandTop(const IslandScreen& screen);

// The app state's mode and view for an island state.
IslandMode modeFor(IslandStateMachine::State state);
IslandView viewFor(IslandStateMachine::State state);

class TestIslandController : public QObject {
    Q_OBJECT
public:
    struct Setup {
        Defaults* store = nullptr;          // standard store when none
        Scheduler* scheduler = nullptr;     // the event loop's when none
        const Clock* clock = nullptr;       // the system clock when none
        NotificationCenter* hub = nullptr;  // the shared hub when none
        IslandScreens* screens = nullptr;   // the primary screen when none
        IslandTray* tray = nullptr;         // the desktop's tray hosts when none (with a panel)
        IslandFullScreen* fullScreen = nullptr;  // the desktop's windows when none (with a panel)
        IslandNeighbours neighbours;
        bool withPanel = true;              // false: logic only, for tests
    };

    static constexpr double kFastPoll = 1.0 / 60;  // the display's rate: near the island, shown or hidden
    static constexpr double kShownFarPoll = 1.0 / 20;  // while it shows and the pointer is far away
    static constexpr double kFarPoll = 0.25;    // while hidden and the pointer is far from the notch
    // How fast a pointer can come, in points a second (a quick flick across the screen): while
    // hidden, the island looks again before a pointer this fast could reach it.
    static constexpr double kReach = 4000;
    // While the hidden island waits for the next input: should the server's alarm ever be missed,
    // the pointer is still noticed within this.
    static constexpr double kWaitingPoll = 2.0;
    static constexpr double kNearby = 240;      // how far around the hover zone counts as near

    TestIslandController(AppState& state, Setup setup);
    ~TestIslandController() override;

    // Shows the panel's first state and starts the state machine and the timers.
    void start();

    // Target of the cat's alert: a hidden island peeks out; otherwise nothing.
    void peekForAlert();
    // The panel shows the greeting at its size: its time runs from now.
    void greetingShown() { machine_.greetingShown(); }

    // The pointer at a point of the island's screen (y downward); the poll feeds this.
    void pointerAt(QPointF local);
    // A click (press and release) at a point of the island's own coordinates.
    void clickAt(QPointF islandPoint);

    IslandStateMachine& machine() { return machine_; }
    IslandPanel* panel() const { return panel_; }
    IslandPomodoro& pomodoro() const { return *neighbours_.pomodoro; }
    const IslandNeighbours& neighbours() const { return neighbours_; }
    const Clock& clock() const { return clock_; }
    Defaults& store() const { return store_; }
    // The screen the panel shows on (none without a panel or a screen).
    std::optional<IslandScreen> screen() const;
    // The island's frame on its screen for its current state.
    QRectF islandFrame() const;
    QRectF hoverZone() const;
    bool isPointerIn() const { return pointerIn_; }
    // Current pointer poll interval in seconds (0 when not polling).
    double pollInterval() const { return pollInterval_; }
    // Whether the open room's frames look at the pointer, in place of a timer of its own.
    bool pollsWithRoomFrames() const { return pollByFrames_; }
    // A frame of the open room: the pointer is looked at now when it is due.
    void roomFrame();
    // The pointer moved over the panel (`global`, the desktop's coordinates), or left it (none).
    void pointerOverPanel(std::optional<QPointF> global);
    // While the pointer is over the panel its own motion events tell where it is: the server is
    // asked only every this many frames, in case the pointer's leaving went unseen.
    static constexpr int kOverPanelFrames = 6;
    // The hidden island's poll interval for a pointer `distance` points from its hover zone: the
    // display's rate near it, slower by steps further away, never slower than kFarPoll.
    static double hiddenPoll(double distance);
    // The menu a right-click on the island opens when no tray can show it.
    void setContextMenu(QMenu* menu);
    // No tray host shows the menu: the island is where it lives.
    bool menuOnIsland() const { return !tray_ || !tray_->available(); }
    // The hidden island's place takes clicks: with no tray host it is the only way to the menu,
    // whether or not the pointer peeks the island; never under a full-screen window.
    bool takesHiddenClicks() const;
    // Where the hidden island's place takes clicks, in points of its screen: where the island would
    // peek; with the hover peek off only the top edge there, which a pointer thrown up reaches, so
    // a maximized window's title bar or tabs below keep their clicks.
    QRectF hiddenPlace() const;
    static constexpr double kEdgePlace = 4;
    // A full-screen window is in front where the island sits: nothing of the island shows there or
    // takes pointer input (no click place, no peek on hover); what would show waits.
    bool underFullScreen() const;
    // A click at the hidden island's place (`global`, the desktop's coordinates): the left button
    // opens the island, the right one the menu; also when the island peeked meanwhile.
    void hiddenClick(Qt::MouseButton button, QPointF global);
    // The cat walks into a room the island opens on.
    void setFollowView(std::function<void(IslandRoomKind)> follow) { followView_ = std::move(follow); }

signals:
    void stateChanged(IslandStateMachine::State state);

private:
    void transition(IslandStateMachine::State from, IslandStateMachine::State to);
    void poll();
    void restIfStill(QPoint root);
    void updatePolling();
    void moodCheck();
    void screensChanged();
    void updatePlace();
    void followFullScreen();
    // A rectangle of the island's screen (points) in root pixels.
    QRect rootPixels(const QRectF& local) const;
    void fullScreenChanged();
    QSizeF notch() const;
    double screenWidth() const;
    double screenTop() const;
    bool pomodoroActive() const;

    AppState& state_;
    Defaults& store_;
    Scheduler& scheduler_;
    const Clock& clock_;
    NotificationCenter& hub_;
    IslandNeighbours neighbours_;
    std::unique_ptr<IslandScreens> ownScreens_;
    IslandScreens* screens_ = nullptr;
    std::unique_ptr<IslandTray> ownTray_;
    IslandTray* tray_ = nullptr;
    std::unique_ptr<IslandFullScreen> ownFullScreen_;
    IslandFullScreen* fullScreen_ = nullptr;
    std::unique_ptr<x11::ClickPlace> place_;  // the hidden island's place, while it takes clicks
    NoPomodoro noPomodoro_;
    NoMusic noMusic_;
    IslandStateMachine machine_;
    IslandPanel* panel_ = nullptr;
    std::function<void(IslandRoomKind)> followView_;
    bool pointerIn_ = false;
    bool pointerNearby_ = true;
    double hiddenPoll_ = kFastPoll;  // as the pointer's distance and speed ask, while hidden
    double lastDistance_ = 0;         // from the hover zone at the last look
    bool started_ = false;
    double pollInterval_ = 0;
    bool pollByFrames_ = false;
    int framesSincePoll_ = 0;
    bool overPanel_ = false;
    WorkId pollTimer_ = 0;
    QPoint lastRoot_{-1, -1};  // the last answer, in root pixels
    int stillPolls_ = 0;
    bool waitingForInput_ = false;  // hidden, idle, with a still pointer: no poll until input comes
    std::unique_ptr<x11::PointerProbe> probe_;
    WorkId moodTimer_ = 0;
    std::vector<Subscription> subscriptions_;
};

}  // namespace kp
