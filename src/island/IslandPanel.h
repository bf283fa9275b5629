#pragma once
// The island's window: a frameless, always-on-top, never-focused panel at the top centre of its
// screen, sized to the island and shaped like it, so the pointer passes through everywhere else.
#include "island/IslandGeometry.h"
#include "island/IslandRootView.h"
#include "island/IslandStateMachine.h"

#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class QTimer;

namespace kp {

namespace x11 {
class CompositorCut;
}

class AppState;
class IslandContent;
class TestIslandController;
class WindowPicture;

class IslandPanel : public QWidget {
    Q_OBJECT
public:
    IslandPanel(AppState& state, TestIslandController& controller);
    ~IslandPanel() override;

    // Moves (animated) to the size of `to`; hidden shrinks into the notch, then goes away.
    void showState(IslandStateMachine::State from, IslandStateMachine::State to);
    // Called by the controller's poll while the island shows; repaints only what changed.
    void tick();
    // Whether an open room draws its own frames (which then look at the pointer too).
    bool showsRoomFrames() const;
    void contentChanged() { update(); }
    // Skips the rest of the size animation.
    void finishMoving();
    // A full-screen window came to the top centre (the window goes at once) or left it (what the
    // island shows comes back).
    void followCover();
    // Follows a change of the screen's size or of which screen is the island's.
    void relocate();
    void setContextMenu(QMenu* menu) { menu_ = menu; }
    // Opens the menu at `global`, where no tray host shows it.
    void popupMenu(QPoint global);
    // The island's current (animated) rectangle in window coordinates.
    QRectF islandRect() const;
    // Where hosted content is drawn, in window coordinates: the settled island, centred.
    QRectF contentRect() const;
    // The content shown now (the room while open, the first-run pages), or null.
    IslandContent* content() const;
    IslandContent* room() const { return room_.get(); }
    // Whether the window takes keyboard focus now (only while hosted content needs typing).
    bool acceptsKeyboard() const { return keyboard_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void animate();
    // Tells the controller when the greeting shows at its size.
    void tellShown();
    void place();
    void applyShape();
    void followCompositor();
    struct Signature {
        int need = -1;
        bool dead = false, sleeping = false;
        bool emote = false;
        unsigned emoteSerial = 0;
        bool operator==(const Signature&) const = default;
    };
    Signature signature() const;
    // The island's content as it stands now, and where it is drawn in the window.
    IslandScene scene() const;
    void enterContent(IslandStateMachine::State from, IslandStateMachine::State to);
    void followKeyboardWish();
    void setHandCursor(bool hand);
    void paintCountdown(QPainter& p);
    // The settled room with the countdown, cut to the island's corners; over the kept frame when
    // `redo` (the countdown's pixels, from the content's top-left) is given. Returns where it
    // painted, in the frame's pixels; nothing: everywhere.
    std::optional<QRegion> paintSettledRoom(QPainter& p, const QRectF& island, const QRect* redo);
    // The room's frame is due: it is drawn into roomFrame_ and what changed is repainted.
    void roomFrameDue();
    // Draws the settled room into roomFrame_ and finds what changed (roomChanged_): since `sent`,
    // the pixels the server was last given, when they are at hand, else since roomShown_.
    void renderRoom(const QImage& sent = {});
    // roomChanged_ in window coordinates.
    QRegion roomDamage() const;
    // The settled room's frames go to the window through the server's picture of it, not through
    // the toolkit's backing store; anything else (the island moving, other content) ends that.
    bool sendsToPicture();
    void dropPicture();
    // Where the room's frame lies in the window, in device pixels.
    QPoint roomOrigin() const;
    // Where the content's corner lies in the room's frame, in device pixels.
    QPoint contentOffset() const;

    AppState& state_;
    TestIslandController& controller_;
    IslandSpring spring_;
    QTimer* animation_;
    IslandStateMachine::State shown_ = IslandStateMachine::State::hidden;
    QPointer<QMenu> menu_;
    bool seeThrough_ = false;  // the corners blend with what is under them; else the window is cut
    x11::CompositorCut* cut_ = nullptr;  // while the window is see-through at all
    bool pressed_ = false;
    Signature drawn_;
    double lastCountdownPaint_ = 0;
    double lastMarkPaint_ = 0;
    CatBreed breed_ = CatBreed::orange;
    std::unique_ptr<IslandContent> room_;
    std::unique_ptr<IslandContent> onboarding_;
    bool contentPressed_ = false;
    bool suspended_ = false;  // the content was told it disappeared while a full-screen window is in front
    bool keyboard_ = false;
    bool handCursor_ = false;
    // The open room's bottom-left corner outside the island's curve (mirrored for the right).
    QImage corner_, cornerRight_;
    // The open room's last frame and the one before it (none while the server's shared pixels
    // hold it), at the device scale; roomFresh_: the last frame has not been put on screen yet.
    QImage roomFrame_, roomShown_;
    // Where the last frame differs from the one before, in the frame's pixels.
    std::vector<QRect> roomChanged_;
    bool roomFresh_ = false;
    bool countdownShown_ = false;  // the last room frame showed the collapse countdown
    double cornerRadius_ = 0;
    std::unique_ptr<WindowPicture> picture_;
};

}  // namespace kp
