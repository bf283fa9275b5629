#include "app/AppDelegate.h"
#include "app/AppState.h"
#include "app/AppWindows.h"
#include "core/SettingsRouter.h"
#include "life/PetLife.h"
#include "platform/Clock.h"
#include "platform/Random.h"
#include "support/AppDelegateSetup.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <string>
#include <vector>

using namespace kp;

namespace {

// A content widget in one flat colour, to find on the window's picture.
QWidget* swatch(QColor colour) {
    auto* w = new QWidget;
    w->setPalette(QPalette(colour));
    w->setAutoFillBackground(true);
    return w;
}

// Whether a window shows `colour` in the middle and toward each side of its middle band.
bool fills(QWidget* window, QColor colour) {
    const QImage image = window->grab().toImage();
    const QRect band = image.rect().adjusted(10, image.height() / 4, -10, -image.height() / 4);
    for (QPoint p : {band.center(), band.topLeft(), band.topRight(), band.bottomLeft(), band.bottomRight()})
        if (image.pixelColor(p) != colour) return false;
    return true;
}

struct Shell : test::AppIslandTest {
    int saves = 0, quits = 0;
    std::vector<PetSound> effects;
    std::function<void()> closeAlbum;

    void SetUp() override {
        AppDelegate::Hooks hooks;
        hooks.saveLife = [this] { ++saves; };
        hooks.quit = [this] { ++quits; };
        hooks.playEffect = [this](PetSound s) { effects.push_back(s); };
        hooks.makeSettingsView = [] { return swatch(QColor(200, 30, 30)); };
        hooks.makeAlbumView = [this](std::function<void()> onClose) {
            closeAlbum = std::move(onClose);
            return swatch(QColor(30, 160, 60));
        };
        makeDelegate(std::move(hooks));
        delegate->didFinishLaunching();
        SettingsRouter::shared().setTab(SettingsTab::cat);
    }
};

TEST_F(Shell, SettingsOpensOnceWithItsContentAndASecondOpenOnlyRaisesIt) {
    delegate->perform(MenuAction::settings);
    SettingsWindow* first = delegate->settingsWindow();
    ASSERT_TRUE(first && first->isVisible());
    EXPECT_TRUE(fills(first, QColor(200, 30, 30))) << "the settings fill the window";
    menuItem("Settings…")->trigger();
    EXPECT_EQ(delegate->settingsWindow(), first);
    EXPECT_EQ(effects, std::vector<PetSound>{PetSound::open}) << "the open sound plays once";

    first->close();
    EXPECT_EQ(effects.back(), PetSound::close);
    delegate->openSettings();
    EXPECT_TRUE(delegate->settingsWindow()->isVisible());
}

TEST_F(Shell, OpenFullSettingsSwitchesOnlyToANamedTab) {
    hub.post(note::openFullSettings, std::string("shop"));
    EXPECT_EQ(SettingsRouter::shared().tab(), SettingsTab::shop);
    ASSERT_TRUE(delegate->settingsWindow() && delegate->settingsWindow()->isVisible());
    for (std::any other : {std::any(std::string("Shop")), std::any(std::string("closet")), std::any(3), std::any()}) {
        delegate->settingsWindow()->close();
        hub.post(note::openFullSettings, other);
        EXPECT_EQ(SettingsRouter::shared().tab(), SettingsTab::shop);
        EXPECT_TRUE(delegate->settingsWindow()->isVisible()) << "opens all the same";
    }
    hub.post(note::openFullSettings, QStringLiteral("world"));
    EXPECT_EQ(SettingsRouter::shared().tab(), SettingsTab::world);
    delegate->perform(MenuAction::settings);
    EXPECT_EQ(SettingsRouter::shared().tab(), SettingsTab::world) << "the menu leaves the tab as it was";
}

TEST_F(Shell, AlbumShowsItsPagesOnceAndTheirCloseButtonClosesIt) {
    hub.post(note::openAlbum);
    AlbumWindow* album = delegate->albumWindow();
    ASSERT_TRUE(album && album->isVisible());
    EXPECT_TRUE(fills(album, QColor(30, 160, 60))) << "the pages fill the window";
    hub.post(note::openAlbum);
    EXPECT_EQ(delegate->albumWindow(), album);
    ASSERT_TRUE(closeAlbum);
    closeAlbum();
    EXPECT_FALSE(album->isVisible());
}

// Minimised, a window still counts as visible: each way of opening it again must bring it back.
TEST_F(Shell, OpeningAMinimisedWindowRestoresIt) {
    delegate->openSettings();
    hub.post(note::openAlbum);
    SettingsWindow* settings = delegate->settingsWindow();
    AlbumWindow* album = delegate->albumWindow();
    const std::vector<std::pair<QWidget*, std::function<void()>>> openers = {
        {settings, [this] { menuItem("Settings…")->trigger(); }},
        {settings, [this] { hub.post(note::openFullSettings, std::string("wardrobe")); }},  // the rack
        {settings, [this] { hub.post(note::openFullSettings); }},                          // the gear
        {album, [this] { hub.post(note::openAlbum); }},                                    // the album button
    };
    for (const auto& [window, open] : openers) {
        window->showMinimized();
        ASSERT_TRUE(window->isMinimized());
        open();
        EXPECT_TRUE(window->isVisible()) << window->windowTitle().toStdString();
        EXPECT_FALSE(window->isMinimized()) << window->windowTitle().toStdString();
    }
    EXPECT_EQ(delegate->settingsWindow(), settings) << "the same window, not a new one";
    EXPECT_EQ(delegate->albumWindow(), album);
}

TEST_F(Shell, TheMenuOffersEveryItemAndTheMusicItemFlipsTheStoredSwitch) {
    EXPECT_EQ(menuTitles(), (std::vector<QString>{"Let him out now", "Pause music", "-", "Settings…", "Quit Kettlepaw"}));
    EXPECT_FALSE(menuItem("Let him out now")->isEnabled()) << "nothing to send out without roaming";
    menuItem("Pause music")->trigger();
    EXPECT_TRUE(store->contains("musicOn"));
    EXPECT_FALSE(store->boolValue("musicOn"));
    ASSERT_TRUE(menuItem("Play music"));
    menuItem("Play music")->trigger();
    EXPECT_TRUE(store->boolValue("musicOn"));
}

// The keys the quit item shows quit, once a press, from the settings window, from the album and
// from the open menu.
TEST_F(Shell, TheQuitItemsKeysQuitFromEveryWindowAndTheOpenMenu) {
    EXPECT_EQ(menuItem("Quit Kettlepaw")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    delegate->openSettings();
    hub.post(note::openAlbum);
    for (QWidget* window : {static_cast<QWidget*>(delegate->settingsWindow()), static_cast<QWidget*>(delegate->albumWindow())}) {
        const int before = quits;
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window)) << window->windowTitle().toStdString();
        QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
        EXPECT_EQ(quits, before + 1) << window->windowTitle().toStdString();
    }
    QMenu* menu = delegate->menu().menu();
    menu->popup(QPoint(40, 40));
    ASSERT_TRUE(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 3) << "from the open menu";
    menu->hide();
    EXPECT_EQ(saves, 0) << "the save is the app's ending's, not the keys'";
}

// Qt deactivates the app a moment after it lost the keyboard (the desktop shown, a window closed)
// and closes its popups then: a deactivation that lands as the menu opens leaves it open once the
// menu has the keyboard, while one that lasts closes it; Escape and quitting close it at once.
TEST_F(Shell, TheMenuStaysOpenThroughADeactivationThatDoesNotLast) {
    const auto loseTheKeyboard = [] {
        QWidget window;
        window.show();
        window.activateWindow();
        QTRY_VERIFY_WITH_TIMEOUT(QGuiApplication::focusWindow() == window.windowHandle(), 5000);
        window.windowHandle()->destroy();  // gone, with the keyboard
        QEvent deactivate(QEvent::ApplicationDeactivate);
        QCoreApplication::sendEvent(qApp, &deactivate);
    };
    QMenu* menu = delegate->menu().menu();
    menu->popup(QPoint(40, 40));
    auto* grace = menu->findChild<QTimer*>(QStringLiteral("deactivationGrace"));
    ASSERT_TRUE(grace);
    loseTheKeyboard();
    EXPECT_TRUE(menu->isVisible()) << "closed at once";
    menu->activateWindow();  // the menu's keyboard arrives
    QTRY_VERIFY_WITH_TIMEOUT(QGuiApplication::focusWindow() && !grace->isActive(), 5000);
    EXPECT_TRUE(menu->isVisible()) << "closed though it has the keyboard";

    loseTheKeyboard();
    QTRY_VERIFY_WITH_TIMEOUT(!menu->isVisible(), 5000);

    menu->popup(QPoint(40, 40));
    menu->activateWindow();
    QTRY_VERIFY_WITH_TIMEOUT(QGuiApplication::focusWindow(), 5000);
    QTest::keyClick(menu, Qt::Key_Escape);
    EXPECT_FALSE(menu->isVisible()) << "open after Escape";

    menu->popup(QPoint(40, 40));
    loseTheKeyboard();
    QEvent quit(QEvent::Quit);  // as the app's quit sends it
    QCoreApplication::sendEvent(qApp, &quit);
    EXPECT_FALSE(menu->isVisible()) << "open, holding the quit back";
}

// A pomodoro held in whatever phase the test puts it, recording what the menu asks of it.
struct HeldPomodoro final : IslandPomodoro {
    PomodoroPhase held = PomodoroPhase::idle;
    std::vector<std::string> asked;
    PomodoroPhase phase() const override { return held; }
    double progress() const override { return 0.5; }
    int minutesLeft() const override { return 12; }
    bool walletEnabled() const override { return true; }
    void startFocus() override { asked.push_back("focus"); }
    void startBreak() override { asked.push_back("break"); }
    void stop() override { asked.push_back("stop"); }
};

struct PomodoroMenu : test::AppDelegateTest {
    HeldPomodoro pomodoro;
    void SetUp() override {
        AppDelegate::Hooks hooks;
        hooks.neighbours.pomodoro = &pomodoro;
        makeDelegate(std::move(hooks));
    }
};

TEST_F(PomodoroMenu, ItsItemsFollowThePhaseAndEachDoesWhatItSays) {
    using P = PomodoroPhase;
    struct Case {
        P phase;
        QStringList items;               // the pomodoro's part of the menu, its status line first
        std::vector<std::string> asked;  // what choosing each item after the status asks for
    };
    const Case cases[] = {
        {P::idle, {"Not running", "Start focus"}, {"focus"}},
        {P::focus, {"Focusing · 12 min left", "Take a break now", "Stop"}, {"break", "stop"}},
        {P::focusDone, {"Rang: break time", "Start break", "Stop"}, {"break", "stop"}},
        {P::rest, {"On a break · 12 min left", "Stop"}, {"stop"}},
        {P::restDone, {"Break's over", "Start focus", "Stop"}, {"focus", "stop"}},
    };
    for (const Case& c : cases) {
        pomodoro.held = c.phase;
        pomodoro.asked.clear();
        QStringList items;
        for (QAction* a : menuActions()) {
            if (a->isSeparator()) break;
            items << a->text();
        }
        EXPECT_EQ(items.join(" | ").toStdString(), c.items.join(" | ").toStdString()) << "phase " << int(c.phase);
        for (qsizetype i = 1; i < items.size(); ++i) menuItem(items[i])->trigger();
        EXPECT_EQ(pomodoro.asked, c.asked) << "phase " << int(c.phase);
        EXPECT_FALSE(menuActions().front()->isEnabled()) << "the status line is not a choice";
    }
}

TEST_F(Shell, TerminationSavesTheCatExactlyOnce) {
    delegate->applicationWillTerminate();
    delegate->applicationWillTerminate();
    EXPECT_EQ(saves, 1);
}

TEST_F(Shell, CatSoundsPassWhileTheIslandShowsAndTheMewAlwaysInTheCatsVoice) {
    std::vector<std::pair<PetSound, double>> played;
    AppState state(*store, std::make_unique<PetLife>(*store, clock, random, scheduler), hub);
    state.setSoundPlayer([&](PetSound s, double pitch) { played.emplace_back(s, pitch); });
    ASSERT_EQ(state.mode(), IslandMode::hidden);
    state.playPetSound(PetSound::purr);
    EXPECT_TRUE(played.empty());
    state.playPetSound(PetSound::mew);
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0], std::make_pair(PetSound::mew, 1.3)) << "a newborn is a kitten";
    state.setMode(IslandMode::compact);
    state.life().setOnSound(nullptr);  // the app state's own path only
    state.playPetSound(PetSound::purr);
    EXPECT_EQ(played.size(), 2u);
}

}  // namespace
