#include "app/AppDelegate.h"

#include "app/AppState.h"
#include "app/AppWindows.h"
#include "core/Notifications.h"
#include "core/SettingsRouter.h"
#include "island/IslandController.h"
#include "island/IslandPanel.h"
#include "life/PetLife.h"
#include "core/Preferences.h"
#include "island/X11Window.h"
#include "platform/Defaults.h"

#include <QApplication>
#include <QWindow>

namespace kp {

namespace {
// A window that is already open comes back: out of the task bar when minimised, then in front.
// The window manager is asked as well: a window it keeps unmapped (all put away to show the
// desktop) is one the toolkit still counts as shown, and whose activation it holds back.
void bringToFront(QWidget* window) {
    if (window->isMinimized()) window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
    x11::askToActivate(window);
}

// A window opened by the user is asked for again once the manager maps it: a manager that holds
// back the focus of new windows (metacity, when the times it compares disagree) honours that ask.
// A busy app can hear of the map late, after the window was minimised or the desktop shown: the
// ask would bring it back, so a window put away meanwhile is left where it is. Where no manager
// takes the window on, nobody else gives it the keyboard: the toolkit then takes it itself.
class AskWhenMapped final : public QObject {
public:
    explicit AskWhenMapped(QWidget* window) : QObject(window), window_(window) {
        if (QWindow* handle = window->windowHandle()) handle->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && window_->isVisible()) {
            watched->removeEventFilter(this);
            if (!window_->isActiveWindow() && !x11::putAway(window_) && !x11::askToActivate(window_))
                window_->activateWindow();
            deleteLater();
        }
        return false;
    }

private:
    QWidget* window_;
};

// New, it is only shown: the manager maps it in front with the keyboard, and the ask above covers
// one that holds the focus back. The toolkit's own activation would wait for that map and go out
// as late as the app hears of it, like a late ask.
void openInFront(QWidget* window) {
    window->show();
    window->raise();
    new AskWhenMapped(window);
}
}  // namespace

AppDelegate::AppDelegate(Hooks hooks, QObject* parent)
    : QObject(parent),
      hooks_(std::move(hooks)),
      store_(hooks_.store ? *hooks_.store : Defaults::standard()),
      hub_(hooks_.hub ? *hooks_.hub : NotificationCenter::shared()) {
    if (!hooks_.neighbours.pomodoro) hooks_.neighbours.pomodoro = &noPomodoro_;
    if (!hooks_.neighbours.music) hooks_.neighbours.music = &noMusic_;
    menu_ = std::make_unique<AppMenu>([this] { return menuInputs(); }, [this](MenuAction a) { perform(a); });
}

AppDelegate::~AppDelegate() {
    delete settings_.data();
    delete album_.data();
}

void AppDelegate::didFinishLaunching() {
    if (launched_) return;
    launched_ = true;
    if (hooks_.startSky) hooks_.startSky();
    if (hooks_.withIsland) {
        // The island controller brings the app state, and with it the cat.
        TestIslandController::Setup setup;
        setup.store = &store_;
        setup.hub = &hub_;
        setup.neighbours = hooks_.neighbours;
        AppState& state = AppState::shared();
        if (hooks_.configureState) hooks_.configureState(state);
        island_ = std::make_unique<TestIslandController>(state, std::move(setup));
        if (hooks_.followView) island_->setFollowView(hooks_.followView);
        if (IslandPanel* panel = island_->panel()) menu_->quitFrom(panel);
        island_->start();
    }
    if (hooks_.startRoam) hooks_.startRoam();
    if (hooks_.startMedia) hooks_.startMedia();
    if (hooks_.startAlbum) hooks_.startAlbum();
    subscriptions_.emplace_back(hub_, note::openAlbum, [this](const std::any&) { openAlbum(); });
    subscriptions_.emplace_back(hub_, note::openFullSettings, [this](const std::any& object) {
        // An object that names no tab leaves the tab alone; the window opens all the same.
        if (auto tab = settingsTabFromObject(object)) SettingsRouter::shared().setTab(*tab);
        openSettings();
    });
}

void AppDelegate::applicationWillTerminate() {
    if (terminated_) return;
    terminated_ = true;
    if (hooks_.saveLife)
        hooks_.saveLife();
    else if (AppState::exists())
        AppState::shared().life().save();
}

void AppDelegate::openSettings() {
    // Minimised, a window still counts as visible.
    if (settings_ && settings_->isVisible()) {
        bringToFront(settings_);
        return;
    }
    if (hooks_.playEffect) hooks_.playEffect(PetSound::open);
    delete settings_.data();
    QWidget* content = hooks_.makeSettingsView ? hooks_.makeSettingsView() : nullptr;
    settings_ = new SettingsWindow(content);
    menu_->quitFrom(settings_);
    connect(settings_, &SettingsWindow::closing, this, [this] {
        if (hooks_.playEffect) hooks_.playEffect(PetSound::close);
    });
    openInFront(settings_);
}

void AppDelegate::openAlbum() {
    if (album_ && album_->isVisible()) {
        bringToFront(album_);
        return;
    }
    delete album_.data();
    QPointer<AppDelegate> self(this);
    auto onClose = [self] {
        if (self && self->album_) self->album_->close();
    };
    album_ = new AlbumWindow(hooks_.makeAlbumView ? hooks_.makeAlbumView(onClose) : nullptr);
    menu_->quitFrom(album_);
    openInFront(album_);
}

MenuInputs AppDelegate::menuInputs() const {
    MenuInputs in;
    const IslandPomodoro& pomodoro = *hooks_.neighbours.pomodoro;
    in.walletEnabled = pomodoro.walletEnabled();
    in.phase = pomodoro.phase();
    in.minutesLeft = pomodoro.minutesLeft();
    in.roamingOut = hooks_.roamingOut && hooks_.roamingOut();
    in.roamingAvailable = hooks_.sendOut && hooks_.callHome;
    in.musicOn = prefs::musicOn(store_);
    return in;
}

void AppDelegate::perform(MenuAction action) {
    IslandPomodoro& pomodoro = *hooks_.neighbours.pomodoro;
    switch (action) {
        case MenuAction::none: break;
        case MenuAction::startFocus: pomodoro.startFocus(); break;
        case MenuAction::startBreak: pomodoro.startBreak(); break;
        case MenuAction::stop: pomodoro.stop(); break;
        case MenuAction::sendOut:
            if (hooks_.sendOut) hooks_.sendOut();
            break;
        case MenuAction::callHome:
            if (hooks_.callHome) hooks_.callHome();
            break;
        case MenuAction::toggleMusic: {
            const bool on = !menuInputs().musicOn;
            store_.set(QStringLiteral("musicOn"), on);  // the music box follows the store
            break;
        }
        case MenuAction::settings: openSettings(); break;
        case MenuAction::quit:
            if (hooks_.quit)
                hooks_.quit();
            else
                QCoreApplication::quit();
            break;
    }
}

void AppDelegate::useIslandMenu() {
    if (island_) island_->setContextMenu(menu_->menu());
}

}  // namespace kp
