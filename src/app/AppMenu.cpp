#include "app/AppMenu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QShortcut>
#include <QTimer>

namespace kp {

namespace {
// Qt deactivates an app 400 ms after it lost the keyboard unless it comes back (the desktop just
// shown, a window just closed), and then closes its popups. A menu opened meanwhile takes the
// keyboard, yet that deactivation can still land first and close it before a choice. So a close
// that finds no window of the app with the keyboard (the menu's own closes find it with the menu)
// waits as long again, and the menu goes only if none has it by then. Quitting closes it at once:
// a window that stays would hold the quit back.
class AppPopup final : public QMenu {
public:
    AppPopup() {
        grace_->setObjectName(QStringLiteral("deactivationGrace"));
        grace_->setSingleShot(true);
        grace_->setInterval(400);
        connect(grace_, &QTimer::timeout, this, [this] {
            if (!QGuiApplication::focusWindow()) hide();
        });
    }

protected:
    void showEvent(QShowEvent* event) override {
        quitting_ = false;
        qApp->installEventFilter(this);  // for the quit, while shown
        QMenu::showEvent(event);
    }
    void hideEvent(QHideEvent* event) override {
        qApp->removeEventFilter(this);
        grace_->stop();
        QMenu::hideEvent(event);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == qApp && event->type() == QEvent::Quit) quitting_ = true;
        return false;
    }
    void closeEvent(QCloseEvent* event) override {
        if (quitting_ || QGuiApplication::focusWindow()) {
            QMenu::closeEvent(event);
            return;
        }
        // Qt asks again and again until the menu goes or it gives up.
        event->ignore();
        if (!grace_->isActive()) grace_->start();
    }

private:
    QTimer* grace_ = new QTimer(this);
    bool quitting_ = false;
};
}  // namespace

QString pomodoroStatus(PomodoroPhase phase, int minutesLeft) {
    switch (phase) {
        case PomodoroPhase::idle: return QStringLiteral("Not running");
        case PomodoroPhase::focus: return QStringLiteral("Focusing · %1 min left").arg(minutesLeft);
        case PomodoroPhase::focusDone: return QStringLiteral("Rang: break time");
        case PomodoroPhase::rest: return QStringLiteral("On a break · %1 min left").arg(minutesLeft);
        case PomodoroPhase::restDone: return QStringLiteral("Break's over");
    }
    return {};
}

std::vector<MenuItem> menuItems(const MenuInputs& in) {
    std::vector<MenuItem> items;
    if (in.walletEnabled) {
        items.push_back({pomodoroStatus(in.phase, in.minutesLeft), MenuAction::none, false});
        if (in.phase == PomodoroPhase::idle || in.phase == PomodoroPhase::restDone)
            items.push_back({QStringLiteral("Start focus"), MenuAction::startFocus});
        if (in.phase == PomodoroPhase::focusDone)
            items.push_back({QStringLiteral("Start break"), MenuAction::startBreak});
        if (in.phase == PomodoroPhase::focus)
            items.push_back({QStringLiteral("Take a break now"), MenuAction::startBreak});
        if (in.phase != PomodoroPhase::idle) items.push_back({QStringLiteral("Stop"), MenuAction::stop});
        items.push_back({});
    }
    if (in.roamingOut)
        items.push_back({QStringLiteral("Call him home"), MenuAction::callHome, in.roamingAvailable});
    else
        items.push_back({QStringLiteral("Let him out now"), MenuAction::sendOut, in.roamingAvailable});
    items.push_back({in.musicOn ? QStringLiteral("Pause music") : QStringLiteral("Play music"), MenuAction::toggleMusic});
    items.push_back({});
    items.push_back({QStringLiteral("Settings…"), MenuAction::settings});
    items.push_back({QStringLiteral("Quit Kettlepaw"), MenuAction::quit});
    return items;
}

QKeySequence quitKeys() { return QKeySequence(Qt::CTRL | Qt::Key_Q); }

AppMenu::AppMenu(std::function<MenuInputs()> inputs, std::function<void(MenuAction)> act, QObject* parent)
    : QObject(parent), inputs_(std::move(inputs)), act_(std::move(act)), menu_(new AppPopup) {
    connect(menu_, &QMenu::aboutToShow, this, &AppMenu::rebuild);
    rebuild();
    // An item's own keys never reach a menu that pops up on its own: the menu is no window's.
    quitFrom(menu_);
}

void AppMenu::quitFrom(QWidget* window) {
    auto* keys = new QShortcut(quitKeys(), window);
    connect(keys, &QShortcut::activated, this, [this] { act_(MenuAction::quit); });
}

AppMenu::~AppMenu() { delete menu_; }

void AppMenu::rebuild() {
    menu_->clear();
    for (const MenuItem& item : menuItems(inputs_())) {
        if (item.title.isEmpty()) {
            menu_->addSeparator();
            continue;
        }
        QAction* a = menu_->addAction(item.title);
        a->setEnabled(item.enabled);
        const MenuAction action = item.action;
        if (action == MenuAction::quit) a->setShortcut(quitKeys());
        if (action != MenuAction::none) connect(a, &QAction::triggered, this, [this, action] { act_(action); });
    }
}

}  // namespace kp
