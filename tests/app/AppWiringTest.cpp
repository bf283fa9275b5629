// The menu's roaming and pomodoro items reaching the roaming controller and the island, and the
// album hearing the island open and close.
#include "album/MacAlbum.h"
#include "app/AppDelegate.h"
#include "app/AppMenu.h"
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
#include "support/IslandSetup.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
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

struct CatLog {
    int made = 0;
    std::vector<bool> headHome;
    std::function<void()> onHome;
};

class StandInCat final : public RoamCat {
public:
    explicit StandInCat(CatLog& log) : log_(log) { ++log_.made; }
    void queue(DesktopCat::Trick) override {}
    void ask(PetNeed) override {}
    void headHome(bool immediately) override { log_.headHome.push_back(immediately); }
    void announce() override {}
    void mouseMoved(QPointF) override {}
    void tick(double) override {}
    QRectF hitRect() const override { return {}; }
    QPointF mouse() const override { return {}; }
    bool isDragged() const override { return false; }
    bool isAsking() const override { return false; }
    bool homeBound() const override { return !log_.headHome.empty(); }
    bool userDragging() const override { return false; }
    void setUserDragging(bool) override {}
    void userStartedDragging() override {}
    void userStoppedDragging() override {}
    void setMischief(bool) override {}
    void setOnHome(std::function<void()> onHome) override { log_.onHome = std::move(onHome); }
    void setPendingApp(long long, double) override {}

private:
    CatLog& log_;
};

class StandInPanel final : public RoamSurface {
public:
    explicit StandInPanel(int& shown) : shown_(shown) {}
    QRectF frame() const override { return {0, 0, 1440, 900}; }
    bool clickThrough() const override { return true; }
    void setClickThrough(bool) override {}
    void orderFront() override { ++shown_; }
    void orderOut() override { --shown_; }

private:
    int& shown_;
};

// The app's island without its panel, with the album and the pomodoro wired as the app wires them.
struct AppIsland : ::testing::Test {
    test::ScratchStore store;
    ManualClock clock{800000000, 1000};
    SeededRandom random{5};
    ManualScheduler lifeScheduler, scheduler, albumScheduler;  // the cat holds still
    ManualInputIdleness idleness;
    NotificationCenter hub;
    Wallet wallet{*store};
    Pomodoro pomodoro{wallet, *store, clock, scheduler, idleness, hub};
    PomodoroNeighbour neighbour{pomodoro, wallet};
    AppState state{*store, std::make_unique<PetLife>(*store, clock, random, lifeScheduler), hub};
    MacAlbum album{*store, clock, albumScheduler, AlbumWorld{}};
    std::unique_ptr<DesktopRoam> roam;
    DesktopRoam* started = nullptr;  // what the app hands the hooks once roaming has started
    CatLog cat;
    int panelsShown = 0;
    std::unique_ptr<TestIslandController> island;
    std::unique_ptr<AppDelegate> delegate;

    void SetUp() override {
        store->set("onboardedV1", true);
        store->set("desktopRoam", false);  // the menu sends the cat out even with roaming off
        state.life().setNeed(std::nullopt);
        RoamServices s;
        s.clock = &clock;
        s.random = &random;
        s.store = store.store.get();
        s.scheduler = &scheduler;
        s.life = &state.life();
        s.screen = [] { return std::optional<RoamScreen>(RoamScreen{QRectF(0, 0, 1440, 900), QRectF(0, 24, 1440, 876)}); };
        s.makeCat = [this](const RoamScreen&) { return std::make_unique<StandInCat>(cat); };
        s.makePanel = [this](const RoamScreen&, RoamCat&) { return std::make_unique<StandInPanel>(panelsShown); };
        roam = std::make_unique<DesktopRoam>(std::move(s));
        TestIslandController::Setup setup = test::islandSetup(store, scheduler, clock, hub, false);
        setup.neighbours.pomodoro = &neighbour;
        wireAlbum(setup.neighbours, [this]() -> MacAlbum& { return album; });
        island = std::make_unique<TestIslandController>(state, std::move(setup));
        AppDelegate::Hooks hooks;
        hooks.withIsland = false;
        hooks.store = store.store.get();
        hooks.hub = &hub;
        hooks.saveLife = [] {};
        hooks.neighbours.pomodoro = &neighbour;
        wireRoaming(hooks, [this] { return started; });
        delegate = std::make_unique<AppDelegate>(std::move(hooks));
        island->start();  // the greeting
    }
    // The menu as it opens now.
    QAction* item(const QString& title) {
        delegate->menu().rebuild();
        for (QAction* a : delegate->menu().menu()->actions())
            if (a->text() == title) return a;
        return nullptr;
    }
    std::vector<QString> titles() {
        std::vector<QString> out;
        for (const MenuItem& item : menuItems(delegate->menuInputs())) out.push_back(item.title);
        return out;
    }
};

TEST_F(AppIsland, OnlyTheOpenRoomCountsAsOpenForTheAlbumAndTheOpeningTimeIsKept) {
    EXPECT_FALSE(album.notchOpen());
    island->pointerAt({720, 4});  // -> petit
    clock.advance(12);
    island->clickAt({100, 10});  // -> home
    ASSERT_EQ(island->machine().state(), State::home);
    EXPECT_TRUE(album.notchOpen());
    ASSERT_TRUE(album.openSince());
    EXPECT_DOUBLE_EQ(*album.openSince(), clock.now());
    const double openedAt = clock.now();

    clock.advance(3);
    island->pointerAt({100, 700});
    scheduler.advance(5.01);  // -> petit
    EXPECT_FALSE(album.notchOpen());
    EXPECT_FALSE(album.openSince());

    // Opening again starts a fresh stretch.
    island->pointerAt({720, 4});
    clock.advance(20);
    island->clickAt({100, 10});
    ASSERT_TRUE(album.openSince());
    EXPECT_GT(*album.openSince(), openedAt);
}

TEST_F(AppIsland, FocusFromTheMenuPeeksTheIslandAndHoldsItUntilStopped) {
    island->pointerAt({100, 700});
    scheduler.advance(4.01);
    ASSERT_EQ(island->machine().state(), State::hidden);
    EXPECT_EQ(titles().front(), "Let him out now") << "no pomodoro items while the coins feature is off";

    wallet.setEnabled(true);
    ASSERT_EQ(titles().at(1), "Start focus");
    delegate->perform(MenuAction::startFocus);
    EXPECT_EQ(island->machine().state(), State::petit) << "a running round peeks the island";
    EXPECT_EQ(titles().front(), "Focusing · 25 min left");
    EXPECT_EQ(titles().at(1), "Take a break now");
    scheduler.advance(600);
    clock.advance(600);
    EXPECT_EQ(island->machine().state(), State::petit) << "and keeps it out";

    delegate->perform(MenuAction::stop);
    EXPECT_EQ(neighbour.phase(), PomodoroPhase::idle);
    scheduler.advance(60.01);
    EXPECT_EQ(island->machine().state(), State::hidden) << "idle again: the peek hides after its delay";
}

TEST_F(AppIsland, TheRoamingItemSendsTheCatOutAndCallsItHome) {
    item("Let him out now")->trigger();
    EXPECT_FALSE(roam->isOut()) << "nothing happens before roaming has started";
    EXPECT_EQ(cat.made, 0);
    started = roam.get();
    EXPECT_FALSE(item("Call him home"));
    // Each look rebuilds the menu: take the item last.
    QAction* out = item("Let him out now");
    ASSERT_TRUE(out);
    EXPECT_TRUE(out->isEnabled()) << "roaming is part of the app now";

    out->trigger();
    EXPECT_TRUE(roam->isOut());
    EXPECT_EQ(cat.made, 1);
    EXPECT_EQ(panelsShown, 1);
    EXPECT_TRUE(state.life().isOut());

    // While out, the same place in the menu calls him home, at once.
    EXPECT_FALSE(item("Let him out now"));
    QAction* home = item("Call him home");
    ASSERT_TRUE(home);
    EXPECT_TRUE(home->isEnabled());
    home->trigger();
    EXPECT_EQ(cat.headHome, std::vector<bool>{true});
    EXPECT_TRUE(roam->isOut()) << "the outing ends when the cat arrives, not when it is called";

    ASSERT_TRUE(cat.onHome);
    cat.onHome();
    EXPECT_FALSE(roam->isOut());
    EXPECT_EQ(panelsShown, 0);
    EXPECT_FALSE(state.life().isOut());
    EXPECT_TRUE(item("Let him out now"));
}

TEST(AlbumFarewell, IsKeptWhenANewCatIsWelcomedRightAfterTheDeath) {
    test::ScratchStore store;
    ManualClock clock{800000000, 1000};
    SeededRandom random{7};
    ManualScheduler lifeScheduler, albumScheduler;
    PetLife life(*store, clock, random, lifeScheduler);
    AlbumWorld world;
    world.cat = [&life] { return AlbumCatSnapshot::of(life); };
    MacAlbum album(*store, clock, albumScheduler, world);
    album.start();
    store->set("onboardedV1", true);
    wireFarewell(life, [&album]() -> MacAlbum& { return album; });
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

TEST(NewWindows, StartBelowTheOpenIslandAndUnderTheNotchOtherwise) {
    AppState& state = AppState::shared();
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_TRUE(screen);
    const int top = std::max(screen->availableGeometry().top(), screen->geometry().top() + 32);
    state.notchHeight = 32;
    state.islandFrame = QRectF(400, 0, 640, 170);

    state.setMode(IslandMode::hidden);
    SettingsWindow under;
    EXPECT_EQ(under.pos().y(), top + 8);

    state.setMode(IslandMode::expanded);
    SettingsWindow below;
    AlbumWindow album;
    EXPECT_GE(below.pos().y(), screen->geometry().top() + 170 + 8) << "the title bar clears the open island";
    EXPECT_EQ(album.pos().y(), below.pos().y());
    EXPECT_EQ(below.pos().x(), under.pos().x()) << "still centred";
    state.setMode(IslandMode::hidden);
}

}  // namespace
