#pragma once
// The app's two ordinary windows: Settings (540 x 700, dark) and the Album (460 x 720). Their
// real contents arrive with the settings and album work; until then each hosts a small stand-in.
#include <QMargins>
#include <QRect>
#include <QWidget>

#include <functional>

namespace kp {

// The screen a new window opens on, in pixels of the desktop, and the two lines across its top
// that the window keeps below, in points from the screen's top edge: the notch line, and the
// bottom of the island while it is out (0 while it is hidden).
struct WindowRoom {
    QRect geometry;
    QRect available;
    double notchLine = 32;
    double islandBottom = 0;
};

// The island's screen and the island as the app state has them now.
WindowRoom currentWindowRoom();

// The largest content a window with `frame` around it has room for: the available area less the
// frame (without bound where no screen is known).
QSize contentRoom(QMargins frame, const WindowRoom& room);

// Where a window whose content is `size`, with `frame` around it, goes: the frame's rectangle.
// Centred; below the island when the whole frame fits there, else where it goes with the island
// closed (under the notch line), moved up as far as it must to lie inside the available area.
// Larger than that area, the content is cut down to fit, though never below `minimum` unless
// the area itself is smaller: the window always lies inside it.
QRect placeWindow(QSize size, QSize minimum, QMargins frame, const WindowRoom& room);

// What the two windows share: a dark title bar, and a place inside the screen's available area
// that they take again once the window manager's frame around them is known.
class AppWindow : public QWidget {
    Q_OBJECT
public:
    // The frame assumed until the window manager tells the real one: a title bar and thin borders.
    static QMargins assumedFrame() { return {1, 28, 1, 1}; }
    // Sized and moved to its place in `room` for a frame of `frame` around it; a new window takes
    // its place on the island's screen by itself.
    void place(QMargins frame, const WindowRoom& room);

protected:
    AppWindow(QSize size, QSize minimum);
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    // The window's one content, filling it.
    void setContent(QWidget* content);
    // Sized and moved to its place on the island's screen for a frame of `frame` around it.
    void place(QMargins frame);

private:
    void followFrame();
    QSize wanted_;
    QSize placedSize_;  // the size place() gave the window
    QSize least_;         // the window's least size where the screen has room for it
    QWidget* content_ = nullptr;
    QSize contentLeast_;  // the content's own
    bool framed_ = false;
};

class SettingsWindow : public AppWindow {
    Q_OBJECT
public:
    static constexpr QSize kSize{540, 700}, kMinimum{540, 480};
    explicit SettingsWindow(QWidget* content = nullptr);
signals:
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
};

class AlbumWindow : public AppWindow {
    Q_OBJECT
public:
    static constexpr QSize kSize{460, 720}, kMinimum{360, 440};
    // `content` is given a way to close the window.
    explicit AlbumWindow(QWidget* content = nullptr);
};

}  // namespace kp
