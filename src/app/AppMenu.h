#pragma once
// The app's menu (in the tray, or on the island's right-click where there is no tray): the
// pomodoro while the coins feature is on, the roaming item, music, settings and quit. Rebuilt
// each time it opens, so its titles follow the current state.
#include "core/IslandServices.h"

#include <QKeySequence>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QMenu;
class QWidget;

namespace kp {

enum class MenuAction { none, startFocus, startBreak, stop, sendOut, callHome, toggleMusic, settings, quit };

struct MenuItem {
    QString title;              // empty: a separator
    MenuAction action = MenuAction::none;
    bool enabled = true;
};

struct MenuInputs {
    bool walletEnabled = false;
    PomodoroPhase phase = PomodoroPhase::idle;
    int minutesLeft = 0;
    bool roamingOut = false;
    bool roamingAvailable = false;  // desktop roaming is part of this build
    bool musicOn = true;
};

// The pomodoro's one-line status, as the settings window words it.
QString pomodoroStatus(PomodoroPhase phase, int minutesLeft);
std::vector<MenuItem> menuItems(const MenuInputs& in);

// The keys that quit, as the quit item shows them.
QKeySequence quitKeys();

// Fills `menu` anew from `inputs()` each time it is about to show, and runs `act` for a choice.
class AppMenu : public QObject {
    Q_OBJECT
public:
    AppMenu(std::function<MenuInputs()> inputs, std::function<void(MenuAction)> act, QObject* parent = nullptr);
    ~AppMenu() override;
    QMenu* menu() const { return menu_; }
    void rebuild();
    // The quit keys quit from `window` (and what it holds) while it has the keyboard; the open menu
    // takes them itself.
    void quitFrom(QWidget* window);

private:
    std::function<MenuInputs()> inputs_;
    std::function<void(MenuAction)> act_;
    QMenu* menu_;
};

}  // namespace kp
