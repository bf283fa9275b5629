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

QWidget* makeSettingsPlaceholder(bool showShop) {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(20, 34, 20, 20);
    column->setSpacing(14);
    auto* title = new QLabel(QStringLiteral("Settings"));
    title->setTextFormat(Qt::PlainText);
    QFont f = title->font();
    f.setPixelSize(22);
    f.setBold(true);
    title->setFont(f);
    column->addWidget(title, 0, Qt::AlignHCenter);
    // Capsule tabs; the selected one in the accent colour.
    page->setStyleSheet(QStringLiteral(
        "QLabel { color: #F7F4F0; }"
        "QPushButton { background: #1E1E1E; color: #F7F4F0; border: none; border-radius: 12px; padding: 5px 8px; }"
        "QPushButton:checked { background: #E39455; color: #1A1411; font-weight: bold; }"));
    auto* tabs = new QHBoxLayout;
    auto* shown = new QLabel;
    shown->setTextFormat(Qt::PlainText);
    shown->setAlignment(Qt::AlignCenter);
    auto refresh = [shown] {
        shown->setText(QString::fromLatin1(settingsTabTitle(SettingsRouter::shared().tab())) +
                       QStringLiteral(" settings"));
    };
    for (SettingsTab tab : allCases<SettingsTab>()) {
        if (tab == SettingsTab::shop && !showShop) continue;
        auto* b = new QPushButton(QString::fromLatin1(settingsTabTitle(tab)));
        b->setCheckable(true);
        b->setChecked(SettingsRouter::shared().tab() == tab);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        QObject::connect(b, &QPushButton::clicked, page, [tab] { SettingsRouter::shared().setTab(tab); });
        QObject::connect(&SettingsRouter::shared(), &SettingsRouter::tabChanged, b,
                         [b, tab] { b->setChecked(SettingsRouter::shared().tab() == tab); });
        tabs->addWidget(b);
    }
    column->addLayout(tabs);
    QObject::connect(&SettingsRouter::shared(), &SettingsRouter::tabChanged, shown, refresh);
    refresh();
    column->addWidget(shown, 1);
    return page;
}

QWidget* makeAlbumPlaceholder(std::function<void()> onClose) {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(24, 24, 24, 24);
    auto* text = new QLabel(QStringLiteral("The album is empty for now."));
    text->setTextFormat(Qt::PlainText);
    text->setAlignment(Qt::AlignCenter);
    column->addWidget(text, 1);
    auto* close = new QPushButton(QStringLiteral("Close"));
    QObject::connect(close, &QPushButton::clicked, page, [onClose] {
        if (onClose) onClose();
    });
    column->addWidget(close, 0, Qt::AlignHCenter);
    return page;
}

}  // namespace kp
