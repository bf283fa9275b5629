#include "app/AppWindows.h"

#include "app/AppState.h"
#include "core/SettingsRouter.h"
#include "island/IslandController.h"
#include "island/X11Window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace kp {

WindowRoom currentWindowRoom() {
    WindowRoom room;
    if (const QScreen* screen = notchedScreen()) {
        room.geometry = screen->geometry();
        room.available = screen->availableGeometry();
    }
    if (AppState::exists()) {
        const AppState& state = AppState::shared();
        room.notchLine = state.notchHeight;
        // Out, the island stays above ordinary windows and would cover a title bar under it.
        if (state.mode() != IslandMode::hidden && !state.islandFrame.isEmpty()) room.islandBottom = state.islandFrame.bottom();
    }
    return room;
}

namespace {
// The area a window may take: the screen less its panels.
QRect freeArea(const WindowRoom& room) { return room.available.isEmpty() ? room.geometry : room.available; }
}  // namespace

QSize contentRoom(QMargins frame, const WindowRoom& room) {
    const QRect free = freeArea(room);
    if (free.isEmpty()) return {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};  // no screen known: no bound
    return {std::max(0, free.width() - frame.left() - frame.right()),
            std::max(0, free.height() - frame.top() - frame.bottom())};
}

QRect placeWindow(QSize size, QSize minimum, QMargins frame, const WindowRoom& room) {
    const QRect g = room.geometry, free = freeArea(room);
    const int across = frame.left() + frame.right(), down = frame.top() + frame.bottom();
    // Too large for the area: cut down, as far as the window allows, and never past the area.
    const QSize fits = contentRoom(frame, room);
    size = size.boundedTo(fits).expandedTo(minimum.boundedTo(fits));
    const QSize outer(size.width() + across, size.height() + down);
    const auto below = [&](double line) { return std::max(free.top(), g.top() + static_cast<int>(std::ceil(line))) + 8; };
    const int lowest = free.bottom() + 1 - outer.height();
    int y = below(std::max(room.notchLine, room.islandBottom));
    if (y > lowest) y = std::max(free.top(), std::min(below(room.notchLine), lowest));
    int x = g.left() + (g.width() - outer.width()) / 2;
    x = std::max(free.left(), std::min(x, free.right() + 1 - outer.width()));
    return {QPoint(x, y), outer};
}

namespace {
// An ordinary top-level window with a title and a close button (no minimise or maximise).
constexpr Qt::WindowFlags kWindowFlags =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
}  // namespace

AppWindow::AppWindow(QSize size, QSize minimum) : QWidget(nullptr, kWindowFlags), wanted_(size), least_(minimum) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMinimumSize(minimum);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void AppWindow::setContent(QWidget* content) {
    if (!content) return;
    content_ = content;
    contentLeast_ = content->minimumSize();
    layout()->addWidget(content);
}

void AppWindow::place(QMargins frame) { place(frame, currentWindowRoom()); }

void AppWindow::place(QMargins frame, const WindowRoom& room) {
    // Neither the window nor what it holds asks for more than the screen has room for (a large
    // scale factor leaves a large screen few points): it is cut down there, never run off it.
    const QSize fits = contentRoom(frame, room);
    setMinimumSize(least_.boundedTo(fits));
    if (content_) content_->setMinimumSize(contentLeast_.boundedTo(fits));
    const QRect outer = placeWindow(wanted_, minimumSize().expandedTo(minimumSizeHint()), frame, room);
    resize(outer.size().shrunkBy(frame));
    move(outer.topLeft());
    placedSize_ = size();
}

void AppWindow::showEvent(QShowEvent* event) {
    // Once the window exists on the display: a dark title bar to go with the dark content.
    x11::preferDarkDecorations(this);
    // Scaled, the toolkit asks the manager for sizes in steps of the scale factor, counted from a
    // base it leaves unset (-1, scaled): a manager that follows it (fluxbox) makes the window
    // 65533 pixels wide. Counted from nothing, before the window is first mapped.
    if (QWindow* handle = windowHandle()) handle->setBaseSize(QSize(0, 0));
    QWidget::showEvent(event);
}

void AppWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // The window manager has framed the window: its real title bar may be taller than assumed.
    if (!framed_ && isVisible()) QTimer::singleShot(0, this, [this] { followFrame(); });
}

void AppWindow::followFrame() {
    const QRect outer = frameGeometry(), inner = geometry();
    if (framed_ || outer == inner) return;
    framed_ = true;
    // A tiling manager has already sized the window to its tile and would refuse another size,
    // which the toolkit would take as granted and draw the window that small inside its tile.
    if (size() != placedSize_) return;
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                         outer.bottom() - inner.bottom());
    if (frame != assumedFrame()) place(frame);
}

SettingsWindow::SettingsWindow(QWidget* content) : AppWindow(kSize, kMinimum) {
    setWindowTitle(QStringLiteral("Settings"));
    setObjectName(QStringLiteral("KettlepawSettings"));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, QColor("#F7F4F0"));
    pal.setColor(QPalette::Button, QColor("#1E1E1E"));
    pal.setColor(QPalette::ButtonText, QColor("#F7F4F0"));
    pal.setColor(QPalette::Base, QColor("#141414"));
    pal.setColor(QPalette::Text, QColor("#F7F4F0"));
    setPalette(pal);
    setAutoFillBackground(true);
    setContent(content);
    place(assumedFrame());
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
    emit closing();
    event->accept();
}

AlbumWindow::AlbumWindow(QWidget* content) : AppWindow(kSize, kMinimum) {
    setWindowTitle(QStringLiteral("Album"));
    setObjectName(QStringLiteral("KettlepawAlbum"));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor("#3A2A21"));
    pal.setColor(QPalette::WindowText, QColor("#F7F4F0"));
    pal.setColor(QPalette::Button, QColor("#5A4334"));
    pal.setColor(QPalette::ButtonText, QColor("#F7F4F0"));
    setPalette(pal);
    setAutoFillBackground(true);
    setContent(content);
    place(assumedFrame());
}

}  // namespace kp
