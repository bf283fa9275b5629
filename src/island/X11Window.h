#pragma once
// The few X11 calls the island needs beyond Qt: whether a compositor runs, and the input shape.
#include <QPoint>
#include <QRegion>

#include <optional>

class QWidget;

namespace kp::x11 {

// True when some client owns the _NET_WM_CM_S<screen> selection (a compositing manager runs).
bool compositorRunning();
// Limits where the window takes pointer input; the rest of it lets clicks through. False when the
// X server (or the platform) cannot do it.
bool setInputShape(QWidget* window, const QRegion& region);
// Asks the window manager for dark decorations (title bar) on `window`, where it offers them.
void preferDarkDecorations(QWidget* window);

// The pointer's place in root-window pixels, asked on a connection of its own without waiting:
// each call sends the question and returns the answer to the previous call's, one poll old. So a
// poll never blocks on the server, and neither the main thread nor the toolkit's event reader
// wakes for the reply. Nothing (and the first call) until an answer has come.
class PointerProbe {
public:
    PointerProbe();
    ~PointerProbe();
    PointerProbe(const PointerProbe&) = delete;
    PointerProbe& operator=(const PointerProbe&) = delete;
    bool isAvailable() const { return connection_ != nullptr; }
    std::optional<QPoint> poll();

private:
    void* connection_ = nullptr;  // the private connection
    unsigned root_ = 0;
    unsigned pending_ = 0;  // sequence of the question in flight, 0 for none
};

}  // namespace kp::x11
