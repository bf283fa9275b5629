#pragma once
// The few X11 calls the island needs beyond Qt: whether a compositor runs, and the input shape.
#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QRegion>

#include <functional>
#include <optional>
#include <vector>

class QTimer;
class QWidget;

namespace kp::x11 {

// True when a compositing manager composites now: some client owns the _NET_WM_CM_S<screen>
// selection, and KWin, where it runs, does not say it has suspended compositing.
bool compositorRunning();

// Follows the owner of the compositing manager's selection, and KWin's own word. The selection is
// asked once; after that the server tells of every change (XFixes selection events on the
// toolkit's own connection), so a compositor that stops is known at once, before a see-through
// window can show black, and asking costs no round trip.
class CompositorWatch final : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    static CompositorWatch& shared();
    bool running();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void changed(bool running);

private:
    CompositorWatch();
    bool ask();
    // Tells of a change of the whole answer.
    void follow();

    unsigned int atom_ = 0;
    int fixesEvent_ = -1;  // where the server's XFixes events start; -1 when it has none
    bool owned_ = false;    // the selection
    bool running_ = false;  // as last told
};
// Whether a window that is see-through under a compositor must be cut to its shape instead (where
// it is not, see-through pixels show black): at once when no compositor runs, and for as long as
// the window shows after one has come. A new compositor takes the compositing manager's selection
// some 200 ms before it first draws, and nothing tells when it has: meanwhile the server still
// shows the window itself, see-through pixels black. So the cut goes only while the window is
// hidden (nothing on screen changes), once the compositor has had a second. Only where Qt is on X.
class CompositorCut final : public QObject {
    Q_OBJECT
public:
    explicit CompositorCut(QWidget& window);
    bool cut() const { return cut_; }

    // How long a compositor that came is given before the cut may go.
    static constexpr int kSettleMs = 1000;

signals:
    void changed(bool cut);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow(bool running);
    void leave();

    QWidget& window_;
    bool cut_ = false;
    QTimer* settle_;
};

// Limits where the window takes pointer input; the rest of it lets clicks through. False when the
// X server (or the platform) cannot do it.
bool setInputShape(QWidget* window, const QRegion& region);
// Asks the window manager to bring `window` back to the front, as the user's pager would: from the
// task bar, and from behind a shown desktop, where the manager keeps it unmapped and the toolkit's
// own activation waits for a map that never comes. Only once the manager has taken the window on
// (a new one is mapped and activated by the toolkit); false otherwise, or where Qt is not on X.
bool askToActivate(QWidget* window);
// Whether the window manager keeps `window` put away now: minimised, hidden, or unmapped with every
// other window to show the desktop. Asked of the server, which knows before the toolkit hears.
bool putAway(QWidget* window);
// Asks the window manager for dark decorations (title bar) on `window`, where it offers them.
void preferDarkDecorations(QWidget* window);

// An unseen window that only takes clicks (an X input-only window: nothing is drawn, with or
// without a compositor; under Wayland, a see-through one), kept above the other windows while it
// shows. `clicked` gets the button
// and the pointer's place (root pixels) of each click, a press and release on it (or a press alone
// where it was hidden before the release); later, from the event loop.
class ClickPlace final : public QObject, public QAbstractNativeEventFilter {
public:
    explicit ClickPlace(std::function<void(Qt::MouseButton, QPoint)> clicked);
    ~ClickPlace() override;
    ClickPlace(const ClickPlace&) = delete;
    ClickPlace& operator=(const ClickPlace&) = delete;

    // Over `area` (root pixels), above the others. Nothing where Qt is not on X.
    void show(const QRect& area);
    void hide();
    bool isShown() const { return shown_; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void click(int button, QPoint at);  // an X button's click, told later

    std::function<void(Qt::MouseButton, QPoint)> clicked_;
    unsigned int window_ = 0;
    unsigned int colormap_ = 0;  // of a see-through window, where one stands in
    unsigned int root_ = 0;
    // On the root, changed as the manager restacks: its stacking list, and where a manager keeps
    // none, its list of windows (one opened) and the active one (one came to the front).
    unsigned int restacked_[3] = {};
    QRect area_;
    bool shown_ = false;
    int pressed_ = 0;  // the button down on it, 0 when none
};

// The window in front where the hidden island sits, as the server tells of it (root pixels).
struct FrontWindow {
    QRect frame;              // its own, without the manager's decorations
    bool fullScreen = false;  // it says it is full screen (_NET_WM_STATE_FULLSCREEN)
    bool desktop = false;     // the desktop's background
};
// Whether `front` keeps the top centre of `screen` for itself, `area` being where the hidden
// island sits there: a window that says it is full screen over the area; where its state is not
// known (`known` false: a manager's frame, or no manager), also one that covers the whole screen.
bool keepsTopCentre(const std::optional<FrontWindow>& front, bool known, const QRect& screen, const QRect& area);

// Follows whether a full-screen window is in front where the hidden island sits: the topmost
// window there, as the user sees it. The manager's stacking list tells the order; the active
// window, where the list leaves it out, is taken for the top; where the manager keeps neither, the
// root's own windows. Nothing is polled: it looks again only when the server tells of a change
// (the active window, the stacking list, the front window's state, size or mapping, and where no
// manager tells, the root's windows as they come, go and move). A window that is destroyed is
// forgotten at once: the server hands its id to the next program.
class FullScreenWatch final : public QObject, public QAbstractNativeEventFilter {
public:
    explicit FullScreenWatch(std::function<void()> changed);
    ~FullScreenWatch() override;
    FullScreenWatch(const FullScreenWatch&) = delete;
    FullScreenWatch& operator=(const FullScreenWatch&) = delete;

    // Follows the windows over `area` of `screen` (root pixels) from now on: true when one keeps it
    // now. `changed` tells of every later change, a new area's among them, from the event loop.
    // False where Qt is not on X.
    bool follow(const QRect& screen, const QRect& area);
    void stop();
    bool covered() const { return covered_; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    // The topmost window of `stack` (bottom to top) over the area, and what this connection hears
    // from it now.
    struct Front {
        unsigned int window = 0;
        unsigned int heard = 0;
    };
    void lookLater();
    void look(bool tell);
    Front frontmost(const std::vector<unsigned int>& stack);
    std::optional<FrontWindow> read(unsigned int window);
    void watch(unsigned int window, unsigned int ownMask);
    void hearRootChildren(bool on);

    std::function<void()> changed_;
    unsigned int root_ = 0;
    unsigned int active_ = 0, state_ = 0, fullScreen_ = 0, stacking_ = 0, type_ = 0, desktop_ = 0;  // atoms
    unsigned int watched_ = 0;     // the window whose changes are followed
    unsigned int watchedMask_ = 0;  // what this connection took from it before, given back after
    QRect screen_, area_;
    bool following_ = false;
    bool covered_ = false;
    bool known_ = true;         // the front window's state is known: the manager names or lists it
    bool sizeMatters_ = false;  // the followed window's size can change the answer
    bool queued_ = false;
    unsigned int rootMask_ = 0;  // what the toolkit hears from the root
    bool rootChildren_ = false;  // the root's children are heard for it, where no manager tells of them
};

// The pointer's place in root-window pixels, asked without waiting: each call returns the answer
// to an earlier question, one poll old. So a poll never blocks on the server, and neither the main
// thread nor the toolkit's event reader wakes for the reply. Nothing until an answer has come.
class PointerProbe {
public:
    PointerProbe();
    bool isAvailable() const { return available_; }
    std::optional<QPoint> poll();
    // The place now: asked, and the answer waited for.
    std::optional<QPoint> pollNow();
    // Calls `input` once, at the next input, so that a still pointer on an idle desktop need not be
    // polled. False when that cannot be told, or input came within the last second.
    bool waitForInput(std::function<void()> input);
    void stopWaiting();

private:
    bool available_ = false;
};

}  // namespace kp::x11
