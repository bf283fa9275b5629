#pragma once
// The few X11 calls the island needs beyond Qt: whether a compositor runs, and the input shape.
#include <QRegion>

class QWidget;

namespace kp::x11 {

// True when some client owns the _NET_WM_CM_S<screen> selection (a compositing manager runs).
bool compositorRunning();
// Limits where the window takes pointer input; the rest of it lets clicks through. False when the
// X server (or the platform) cannot do it.
bool setInputShape(QWidget* window, const QRegion& region);
// Asks the window manager for dark decorations (title bar) on `window`, where it offers them.
void preferDarkDecorations(QWidget* window);

}  // namespace kp::x11
