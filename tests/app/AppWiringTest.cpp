// The menu's roaming and pomodoro items reaching the roaming controller and the island, the
// album's openings and farewells, and where new windows start.
#include "album/MacAlbum.h"
#include "app/AppDelegate.h"
#include "app/AppState.h"
#include "app/AppWiring.h"
#include "app/AppWindows.h"
#include "app/PomodoroNeighbour.h"
#include "desktop/DesktopRoam.h"
#include "island/IslandController.h"
#include "life/PetLife.h"
#include "life/Pomodoro.h"
#include "life/Wallet.h"
#include "platform/Clock.h"
#include "platform/InputIdle.h"
#include "platform/Random.h"
#include "platform/Scheduler.h"
#include "support/AppDelegateSetup.h"
#include "support/IslandSetup.h"
#include "support/RoamFakes.h"

#include <gtest/gtest.h>

#include <QLayout>
#include <QScreen>
#include <QGuiApplication>

#include <memory>
#include <vector>

namespace kp {
// Ends the cat's life at once, which no public call does.
struct PetLifeTestAccess {
    static void die(PetLife& l) { l.die(); }
};
}  // namespace kp

using namespace kp;
using State = IslandStateMachine::State;

namespace {

// The app's island without its panel, with the pomodoro and roaming wired as the app wires them.
struct AppIsland : test::AppIslandTest {
    ManualInputIdleness idleness;
    Wallet wallet{*store};
    Pomodoro pomodoro{wallet, *store, clock, scheduler, idleness, hub};
    PomodoroNeighbour neighbour{pomodoro, wallet};
    std::unique_ptr<DesktopRoam> roam;
    DesktopRoam* started = nullptr;  // what the app hands the hooks once roaming has started
    test::CatLog cat;
    test::PanelLog panel;

    void SetUp() override {
        store->set("desktopRoam", false);  // the menu sends the cat out even with roaming off
        RoamServices s = test::fakeRoamServices(cat, panel, QRectF(0, 0, 1440, 900));
        s.clock = &clock;
        s.random = &random;
        s.store = store.store.get();
        s.scheduler = &scheduler;
        s.life = &state.life();
        roam = std::make_unique<DesktopRoam>(std::move(s));
        AppDelegate::Hooks hooks;
        hooks.neighbours.pomodoro = &neighbour;
        wireRoaming(hooks, [this] { return started; });
        startIsland(false, hooks.neighbours);
        makeDelegate(std::move(hooks));
    }
};

TEST_F(AppIsland, FocusFromTheMenuPeeksTheIslandAndTheMenuStopsIt) {
    island->pointerAt({100, 700});
    scheduler.advance(4.01);
    ASSERT_EQ(island->machine().state(), State::hidden);
    wallet.setEnabled(true);
    delegate->perform(MenuAction::startFocus);
    EXPECT_EQ(island->machine().state(), State::petit) << "a running round peeks the island";
    EXPECT_EQ(menuTitles().front(), "Focusing · 25 min left");
    delegate->perform(MenuAction::stop);
    EXPECT_EQ(neighbour.phase(), PomodoroPhase::idle);
}

TEST_F(AppIsland, TheRoamingItemSendsTheCatOutAndCallsItHome) {
    menuItem("Let him out now")->trigger();
    EXPECT_FALSE(roam->isOut()) << "nothing happens before roaming has started";
    EXPECT_EQ(cat.made, 0);
    started = roam.get();
    // Each look rebuilds the menu: take the item last.
    QAction* out = menuItem("Let him out now");
    ASSERT_TRUE(out);
    EXPECT_TRUE(out->isEnabled()) << "roaming is part of the app now";

    out->trigger();
    EXPECT_TRUE(roam->isOut());
    EXPECT_EQ(cat.made, 1);
    EXPECT_EQ(panel.shown, 1);
    EXPECT_TRUE(state.life().isOut());

    // While out, the same place in the menu calls him home, at once.
    ASSERT_TRUE(menuItem("Call him home"));
    menuItem("Call him home")->trigger();
    EXPECT_EQ(cat.headHome, std::vector<bool>{true});
    EXPECT_TRUE(roam->isOut()) << "the outing ends when the cat arrives, not when it is called";
}

// The album on the test's clock and store, keeping the test's cat.
struct Album : test::AppIslandTest {
    ManualScheduler albumScheduler;
    AlbumWorld world() {
        AlbumWorld w;
        w.cat = [this] { return AlbumCatSnapshot::of(state.life()); };
        return w;
    }
    MacAlbum album{*store, clock, albumScheduler, world()};
};

// Only the island knows when it opens to the room (its own tests check when it says so); the
// album keeps the time of each opening.
TEST_F(Album, KeepsTheTimeTheIslandOpenedUntilItCloses) {
    IslandNeighbours neighbours;
    wireAlbum(neighbours, [this]() -> MacAlbum& { return album; });
    neighbours.setNotchOpen(true);
    const double openedAt = clock.now();
    clock.advance(3);
    neighbours.setNotchOpen(true);
    EXPECT_TRUE(album.notchOpen());
    EXPECT_EQ(album.openSince(), std::optional<double>(openedAt)) << "told again while open";
    neighbours.setNotchOpen(false);
    EXPECT_FALSE(album.notchOpen());
    EXPECT_FALSE(album.openSince());
}

TEST_F(Album, KeepsTheFarewellWhenANewCatIsWelcomedRightAfterTheDeath) {
    PetLife& life = state.life();
    album.start();
    store->set("onboardedV1", true);
    wireFarewell(life, [this]() -> MacAlbum& { return album; });
    const double birth = life.birth();

    clock.advance(4 * 86400);
    PetLifeTestAccess::die(life);
    life.restart();  // "Welcome a new cat", before the album's next run
    albumScheduler.advance(MacAlbum::period + 1);
    ASSERT_NE(life.birth(), birth);
    int farewells = 0;
    for (const MacKeepsake& k : album.load())
        if (k.died && k.catBirth == birth) ++farewells;
    EXPECT_EQ(farewells, 1);
}

// Each window's frame (its content and a title bar) as it is placed on a screen of that size.
std::vector<QRect> framesOn(QRect geometry, QRect available, double islandBottom) {
    const WindowRoom room{geometry, available, 32, islandBottom};
    return {placeWindow(SettingsWindow::kSize, SettingsWindow::kMinimum, AppWindow::assumedFrame(), room),
            placeWindow(AlbumWindow::kSize, AlbumWindow::kMinimum, AppWindow::assumedFrame(), room)};
}

TEST(NewWindows, LieInsideTheAvailableAreaBelowTheOpenIslandWhereTheyFit) {
    const QRect large(0, 0, 1920, 1080);
    for (const QRect& frame : framesOn(large, large, 160)) {
        EXPECT_EQ(frame.top(), 160 + 8) << "the title bar clears the open island";
        EXPECT_EQ(frame.center().x(), 960 - 1) << "centred";
    }
    for (const QRect& frame : framesOn(large, large, 0)) EXPECT_EQ(frame.top(), 32 + 8) << "under the notch";

    const QRect small(0, 0, 1366, 768);
    const std::vector<QRect> open = framesOn(small, small, 160);
    for (const QRect& frame : open) EXPECT_TRUE(small.contains(frame)) << frame.top() << " + " << frame.height();
    EXPECT_EQ(open[0], framesOn(small, small, 0)[0]) << "as with the island closed, where that fits";
    EXPECT_EQ(open[0].top(), 39) << "up by the pixel it lacks";
    EXPECT_EQ(open[1].bottom(), 767) << "moved up just enough";
    EXPECT_EQ(open[1].height(), 720 + 29) << "whole";

    // A 30 px top panel: the album is cut down to the area's height, not below its least.
    const QRect panelled(0, 30, 1366, 738);
    for (const QRect& frame : framesOn(small, panelled, 190)) EXPECT_TRUE(panelled.contains(frame));
    EXPECT_EQ(framesOn(small, panelled, 190)[1].height(), 738);
    const QRect tiny(0, 0, 800, 400);
    EXPECT_EQ(framesOn(tiny, tiny, 160)[1].size(), QSize(462, 400)) << "its least size gives way to the screen";
    // 1920 x 1080 at a scale factor of 3, with a top panel: every window lies whole inside.
    const QRect scaled(0, 0, 640, 360), below(0, 10, 640, 350);
    for (const QRect& area : {scaled, below})
        for (const QRect& frame : framesOn(scaled, area, 160))
            EXPECT_TRUE(area.contains(frame)) << frame.top() << " + " << frame.height() << " in " << area.height();
}

// Placed on a screen too small for them, the windows and what they hold are cut down to fit:
// nothing of their content lies past the window's bottom.
TEST(NewWindows, AndWhatTheyHoldFitAScreenTooSmallForThem) {
    const QRect scaled(0, 0, 640, 360);
    const WindowRoom room{scaled, scaled, 32, 160};
    auto* settingsContent = new QWidget;
    settingsContent->setMinimumSize(540, 520);
    auto* albumContent = new QWidget;
    albumContent->setMinimumSize(360, 440);
    SettingsWindow settings(settingsContent);
    AlbumWindow album(albumContent);
    for (AppWindow* window : std::initializer_list<AppWindow*>{&settings, &album}) {
        window->place(AppWindow::assumedFrame(), room);
        window->layout()->activate();
        QWidget* content = window == &settings ? settingsContent : albumContent;
        // Its frame's place and size, as the window manager is asked for them.
        const QRect frame(window->pos(), window->size().grownBy(AppWindow::assumedFrame()));
        EXPECT_TRUE(scaled.contains(frame)) << window->windowTitle().toStdString();
        EXPECT_TRUE(window->rect().contains(content->geometry())) << window->windowTitle().toStdString();
        EXPECT_LE(window->minimumHeight(), 360) << window->windowTitle().toStdString();
    }
}

}  // namespace
