#pragma once
// The app's delegate: the start-up order, the menu's actions, the settings and album windows,
// and the one save of the cat at termination.
#include "app/AppMenu.h"
#include "app/AppWindows.h"
#include "core/IslandTypes.h"
#include "core/IslandServices.h"
#include "life/PetTypes.h"
#include "platform/NotificationCenter.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace kp {

class AppState;
class Defaults;
class TestIslandController;

class AppDelegate : public QObject {
    Q_OBJECT
public:
    // Neighbours that arrive with later work; each one left empty does nothing.
    struct Hooks {
        std::function<void()> startSky;    // the weather model
        std::function<void()> startRoam;   // desktop roaming
        std::function<void()> startMedia;  // the media watcher
        std::function<void()> startAlbum;  // the keepsake album
        std::function<bool()> roamingOut;  // a cat is out on the desktop
        std::function<void()> sendOut;
        std::function<void()> callHome;    // drops the whole outing plan at once
        std::function<void(PetSound)> playEffect;  // the app's own sounds (open, close)
        std::function<void()> saveLife;    // the termination save; default: the app state's cat
        std::function<void()> quit;        // how the app ends; default: its event loop quits
        std::function<void(AppState&)> configureState;  // once the app state (and the cat) exist
        std::function<void(IslandRoomKind)> followView;  // the cat walks into a room the island opens on
        std::function<QWidget*()> makeSettingsView;  // the settings window's content; none: a stand-in
        // The album window's content, given a way to close the window; none: a stand-in.
        std::function<QWidget*(std::function<void()> onClose)> makeAlbumView;
        IslandNeighbours neighbours;
        bool withIsland = true;            // false: no island, for tests
        Defaults* store = nullptr;         // the standard store when none
        NotificationCenter* hub = nullptr; // the shared hub when none
    };

    explicit AppDelegate(Hooks hooks, QObject* parent = nullptr);
    ~AppDelegate() override;

    // Runs once the event loop has started.
    void didFinishLaunching();
    // Saves the cat once; later calls do nothing.
    void applicationWillTerminate();

    void openSettings();
    void openAlbum();
    void perform(MenuAction action);
    // Where no tray can show the menu, a right-click on the island opens it.
    void useIslandMenu();

    AppMenu& menu() { return *menu_; }
    MenuInputs menuInputs() const;
    SettingsWindow* settingsWindow() const { return settings_; }
    AlbumWindow* albumWindow() const { return album_; }
    TestIslandController* island() const { return island_.get(); }

private:
    Hooks hooks_;
    Defaults& store_;
    NotificationCenter& hub_;
    NoPomodoro noPomodoro_;
    NoMusic noMusic_;
    std::unique_ptr<AppMenu> menu_;
    std::unique_ptr<TestIslandController> island_;
    QPointer<SettingsWindow> settings_;
    QPointer<AlbumWindow> album_;
    std::vector<Subscription> subscriptions_;
    bool launched_ = false;
    bool terminated_ = false;
};

}  // namespace kp
