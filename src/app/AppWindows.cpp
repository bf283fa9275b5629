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
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kp {

QPoint centredUnderNotch(QSize size, double notchHeight) {
    QScreen* screen = notchedScreen();
    if (!screen) return {0, 0};
    const QRect g = screen->geometry();
    // Below the island's line as well as any top panel: nothing of the window hides under the island.
    const int top = std::max(screen->availableGeometry().top(), g.top() + static_cast<int>(std::ceil(notchHeight)));
    return {g.left() + (g.width() - size.width()) / 2, top + 8};
}

namespace {
// An ordinary top-level window with a title and a close button (no minimise or maximise).
constexpr Qt::WindowFlags kWindowFlags =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// How far down a new window starts: below the notch line, and below the island while it is out
// (the island stays above ordinary windows, and would cover the title bar).
double clearOfIsland() {
    if (!AppState::exists()) return 32;
    const AppState& state = AppState::shared();
    double below = state.notchHeight;
    if (state.mode() != IslandMode::hidden && !state.islandFrame.isEmpty())
        below = std::max(below, state.islandFrame.bottom());
    return below;
}
}  // namespace

SettingsWindow::SettingsWindow(QWidget* content) : QWidget(nullptr, kWindowFlags) {
    setWindowTitle(QStringLiteral("Settings"));
    setObjectName(QStringLiteral("KettlepawSettings"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, QColor("#F7F4F0"));
    pal.setColor(QPalette::Button, QColor("#1E1E1E"));
    pal.setColor(QPalette::ButtonText, QColor("#F7F4F0"));
    pal.setColor(QPalette::Base, QColor("#141414"));
    pal.setColor(QPalette::Text, QColor("#F7F4F0"));
    setPalette(pal);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (content) layout->addWidget(content);
    resize(540, 700);
    move(centredUnderNotch(size(), clearOfIsland()));
}

void SettingsWindow::showEvent(QShowEvent* event) {
    // Once the window exists on the display: a dark title bar to go with the dark content.
    x11::preferDarkDecorations(this);
    QWidget::showEvent(event);
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
    emit closing();
    event->accept();
}

AlbumWindow::AlbumWindow(QWidget* content) : QWidget(nullptr, kWindowFlags) {
    setWindowTitle(QStringLiteral("Album"));
    setObjectName(QStringLiteral("KettlepawAlbum"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor("#3A2A21"));
    pal.setColor(QPalette::WindowText, QColor("#F7F4F0"));
    pal.setColor(QPalette::Button, QColor("#5A4334"));
    pal.setColor(QPalette::ButtonText, QColor("#F7F4F0"));
    setPalette(pal);
    setAutoFillBackground(true);
    setMinimumSize(360, 440);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (content) layout->addWidget(content);
    resize(460, 720);
    move(centredUnderNotch(size(), clearOfIsland()));
}

}  // namespace kp
