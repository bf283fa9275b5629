#pragma once
// The windows on screen, front to back, as other applications show them.
#include <QPoint>
#include <QRectF>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct xcb_connection_t;
class QSocketNotifier;

namespace kp {

class Scheduler;

struct WindowInfo {
    int number = 0;          // the window's id, above 0
    int layer = 0;           // 0 an ordinary window; above 0 a raised one (docks, panels)
    long long pid = 0;       // the owning process; 0 when unknown
    double alpha = 1;        // 0 invisible ... 1 opaque
    QRectF bounds;           // on the desktop, top-left origin, y downward, decorations excluded
    QString appClass;        // the application's class name; empty when unknown
    bool dock = false;       // a dock or panel window
    QRectF strut;            // the band it keeps free along the desktop's bottom edge; empty when none
    bool fullscreen = false;

    bool operator==(const WindowInfo&) const = default;
};

class WindowList {
public:
    virtual ~WindowList() = default;
    // The visible windows, frontmost first; desktop backgrounds and hidden windows left out.
    virtual const std::vector<WindowInfo>& onScreenWindows() = 0;
    // Whether the windows have been read: until then the list is empty and tells nothing of them.
    virtual bool ready() { return true; }
    // The process of the application in front; 0 when unknown.
    virtual long long activePid() { return 0; }
};

// Windows given by hand; for tests.
class FakeWindowList final : public WindowList {
public:
    const std::vector<WindowInfo>& onScreenWindows() override {
        ++reads;
        return windows;
    }
    bool ready() override { return isReady; }
    long long activePid() override { return active; }
    std::vector<WindowInfo> windows;
    long long active = 0;
    int reads = 0;
    bool isReady = true;
};

// The X server's windows. With a window manager: its stacking list (_NET_CLIENT_LIST_STACKING), the
// clients it lists unstacked and the docks it lists nowhere (among the root's children that frame
// no client, and in them), with the EWMH properties; without one, the root's mapped children, read
// through the clients in their frames. A window's bounds take in its manager's frame. Of lists
// longer than kMaxWindows, the front-most windows are kept.
// The whole list is read once; after that the server's word of a change updates what changed: a
// window moved or resized from the event itself, a new list of the manager's (without one, a root
// child made, gone or restacked) by reading the windows new to it, a window shown, hidden, changing
// a property or changing parents by reading that window alone. Reads are made on a thread of their
// own, so the caller never waits on the server: until the first is done the list is empty and not
// ready(); after that it holds the last answer until the next is in.
// With a scheduler, the list stops listening (its connection closed, so nothing piles up on either
// side) once it has not been asked for a while, and reads everything again when next asked.
// Without a display the list is empty (and ready).
class WindowListX11 final : public WindowList {
public:
    explicit WindowListX11(Scheduler* scheduler = nullptr);
    ~WindowListX11() override;
    WindowListX11(const WindowListX11&) = delete;
    WindowListX11& operator=(const WindowListX11&) = delete;

    const std::vector<WindowInfo>& onScreenWindows() override;
    bool ready() override;
    long long activePid() override;
    // Times the whole list was read from the server, and windows read in all; for tests.
    int refreshes() const { return refreshes_; }
    int windowReads() const { return windowReads_; }
    // Whether the list holds a connection (and so hears of changes); for tests.
    bool listening() const { return connection_ != nullptr; }
    static WindowListX11& shared();

    static constexpr std::size_t kMaxWindows = 8192;
    // Unasked for this long (and at most as long again), the list stops listening.
    static constexpr double kIdleSeconds = 2;

private:
    struct State;
    bool connect();
    void used();
    void idleCheck();
    void release();
    void drainEvents();
    void catchUp(bool active = false);
    void startReading();
    void stopReading();
    bool reading() const;
    bool broken() const;
    bool collect();
    void takeAnswer();
    void askActive();

    ::xcb_connection_t* connection_ = nullptr;
    unsigned int root_ = 0;
    bool tried_ = false;
    bool dirty_ = true;
    bool ready_ = false;
    bool activeDirty_ = true;
    long long activePid_ = 0;
    int refreshes_ = 0;
    int windowReads_ = 0;
    Scheduler* scheduler_ = nullptr;
    std::unique_ptr<State> state_;
};

// The primary button anywhere on the desktop, and a count that moves whenever a drag and drop
// begins (a new owner of the drag selection).
class PointerDrags {
public:
    virtual ~PointerDrags() = default;
    virtual bool primaryButtonDown() = 0;
    virtual int dragChangeCount() = 0;
};

class FakePointerDrags final : public PointerDrags {
public:
    bool primaryButtonDown() override { return down; }
    int dragChangeCount() override { return count; }
    bool down = false;
    int count = 0;
};

// The X server's pointer and XdndSelection owner changes (XFixes events, counted as they arrive).
// The pointer is asked without waiting: each call reads the answer to an earlier question and asks
// again, so a frame never blocks on a round trip. Without a display: no pointer, button up, count 0.
class PointerDragsX11 final : public PointerDrags {
public:
    PointerDragsX11();
    ~PointerDragsX11() override;
    PointerDragsX11(const PointerDragsX11&) = delete;
    PointerDragsX11& operator=(const PointerDragsX11&) = delete;
    // Root-window device pixels, as last answered; none before the first answer.
    std::optional<QPoint> pointer();
    // Where the pointer is now: asked, and the answer waited for (a round trip to the server).
    std::optional<QPoint> pointerNow();
    // As of the last answer (asked for once if there is none yet).
    bool primaryButtonDown() override;
    int dragChangeCount() override;
    // Calls `input` once, at the next input of any kind (the server's idle-time alarm), so that a
    // still pointer need not be asked again and again. Only once no input has come for a second
    // (as last answered); false then, or when the server cannot tell.
    bool waitForInput(std::function<void()> input);
    void stopWaiting();
    bool isWaiting() const { return bool(moved_); }
    static PointerDragsX11& shared();

    static constexpr long long kIdleBeforeWaitMs = 1000;

private:
    bool connect();
    void findIdleCounter();
    void readAnswer();
    void waitForAnswers();
    void drain();
    void drainAlarm();
    void setAlarm(bool on);
    ::xcb_connection_t* connection_ = nullptr;
    ::xcb_connection_t* alarmConnection_ = nullptr;
    unsigned int root_ = 0;
    int fixesEvent_ = -1;
    int syncEvent_ = -1;
    unsigned int idleCounter_ = 0;  // the server's IDLETIME counter; 0 without one
    unsigned int alarm_ = 0;
    int count_ = 0;
    bool tried_ = false;
    unsigned int pending_ = 0;      // the pointer question in flight, 0 for none
    unsigned int pendingIdle_ = 0;  // the idle-time question in flight
    long long idleMs_ = 0;
    std::optional<QPoint> position_;
    unsigned int buttons_ = 0;
    std::function<void()> moved_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace kp
