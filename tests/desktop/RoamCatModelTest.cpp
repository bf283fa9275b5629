// A new desktop cat: where it shows up, how it starts falling, its stamps and its voice.
#include "desktop/DesktopCat.h"

#include "life/PetLife.h"
#include "platform/Clock.h"
#include "platform/InputIdle.h"
#include "platform/NotificationCenter.h"
#include "platform/Processes.h"
#include "platform/Random.h"
#include "platform/Scheduler.h"
#include "support/Scratch.h"

#include <gtest/gtest.h>

using namespace kp;

namespace {

struct World {
    World() : clock(50000), random(11) {
        life = std::make_unique<PetLife>(*store, clock, random, scheduler);
        processes.own = 1000;
        RunningApp app;
        app.pid = 5;
        app.regular = true;
        processes.apps = {app, app, app};
        WindowInfo w;
        w.number = 3;
        w.pid = 5;
        w.bounds = QRectF(100, 300, 500, 300);
        windows.windows = {w};
    }
    DesktopWorld world() {
        DesktopWorld d;
        d.clock = &clock;
        d.random = &random;
        d.store = store.store.get();
        d.hub = &hub;
        d.life = life.get();
        d.windows = &windows;
        d.processes = &processes;
        d.idleness = &idle;
        d.playSound = [this](PetSound s, double pitch) { sounds.push_back({s, pitch}); };
        return d;
    }
    test::ScratchStore store;
    ManualClock clock;
    SeededRandom random;
    ManualScheduler scheduler;
    NotificationCenter hub;
    FakeProcesses processes;
    FakeWindowList windows;
    ManualInputIdleness idle;
    std::unique_ptr<PetLife> life;
    std::vector<std::pair<PetSound, double>> sounds;
};

const RoamScreen screen{QRectF(0, 0, 1280, 800), QRectF(0, 28, 1280, 772)};

}  // namespace

TEST(RoamCatModel, NewCatDropsInFromBelowTheTopBarWithATrill) {
    for (int seed = 0; seed < 8; ++seed) {
        World w;
        w.random = SeededRandom(static_cast<std::uint64_t>(seed));
        DesktopCat cat(screen, w.world());
        EXPECT_EQ(cat.feet, QPointF(640, 26));
        EXPECT_TRUE(cat.falling);
        EXPECT_EQ(cat.pose, DesktopCat::Pose::air);
        EXPECT_DOUBLE_EQ(cat.vy, -120);
        EXPECT_GE(std::abs(cat.vx), 60);
        EXPECT_LE(std::abs(cat.vx), 140);
        EXPECT_EQ(cat.vx > 0, cat.facingRight);
        EXPECT_DOUBLE_EQ(cat.appear, 0);
        EXPECT_DOUBLE_EQ(cat.squash, 1);
        EXPECT_DOUBLE_EQ(cat.turn, 1);
        EXPECT_EQ(cat.window, ground::floor);
        EXPECT_TRUE(cat.plan.empty());
        ASSERT_EQ(w.sounds.size(), 1u);
        EXPECT_EQ(w.sounds[0].first, PetSound::trill);
        EXPECT_DOUBLE_EQ(w.sounds[0].second, desktopVoicePitch(w.life->stage()));
    }
}

TEST(RoamCatModel, TerrainComesFromTheWindowListWithoutTheOwnProcess) {
    World w;
    WindowInfo mine;
    mine.number = 9;
    mine.pid = 1000;
    mine.bounds = QRectF(0, 200, 1280, 500);
    w.windows.windows.insert(w.windows.windows.begin(), mine);
    DesktopCat cat(screen, w.world());
    EXPECT_DOUBLE_EQ(cat.terrain.menuBottom, 28);
    EXPECT_EQ(cat.terrain.order, std::vector<int>{3});
    ASSERT_TRUE(cat.terrain.ledge(3, 300).has_value());
    EXPECT_EQ(*cat.terrain.ledge(3, 300), (Ledge{3, 300, 100, 600}));
    // No Dock to guess: the running applications were not asked for.
    EXPECT_EQ(w.processes.appListings, 0);
}

TEST(RoamCatModel, GuessedDockCountsTheRunningApplications) {
    World w;
    // A 60-point strip reserved at the bottom with no dock window: 3 apps count as 12 icons.
    DesktopCat cat(RoamScreen{QRectF(0, 0, 1280, 800), QRectF(0, 28, 1280, 712)}, w.world());
    EXPECT_EQ(w.processes.appListings, 1);
    ASSERT_TRUE(cat.terrain.dock.has_value());
    EXPECT_NEAR(cat.terrain.dock->hi - cat.terrain.dock->lo, 12 * 60 * 0.82, 1e-9);
}

