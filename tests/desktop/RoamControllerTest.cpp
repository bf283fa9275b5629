// The roaming controller: when outings start and end, asks, the frame's click-through switch
// and the island opening.
#include "desktop/DesktopRoam.h"

#include "life/PetLife.h"
#include "platform/Clock.h"
#include "platform/InputIdle.h"
#include "platform/Random.h"
#include "platform/Scheduler.h"
#include "support/RoamFakes.h"
#include "support/Scratch.h"

#include <QCoreApplication>

#include <cmath>
#include <set>

#include <gtest/gtest.h>

using namespace kp;

namespace {

using test::CatLog;
using test::PanelLog;

class RoamControllerTest : public ::testing::Test {
protected:
    RoamControllerTest() : clock(10000), random(7) {
        store->set("desktopRoam", true);
        store->set("onboardedV1", true);
        life = std::make_unique<PetLife>(*store, clock, random, petScheduler);
        life->setNeed(std::nullopt);
        roam = std::make_unique<DesktopRoam>(services());
    }

    RoamServices services() {
        RoamServices s = test::fakeRoamServices(cat, panel, QRectF(200, 0, 1440, 900));
        s.clock = &clock;
        s.random = &random;
        s.store = store.store.get();
        s.scheduler = &scheduler;
        s.idleness = &idle;
        s.life = life.get();
        s.ownPid = 777;
        s.pomodoroPhase = [this] { return phase; };
        s.islandMode = [this] { return mode; };
        s.islandView = [this] { return view; };
        s.screen = [this] { return screen; };
        s.pointer = [this] { return pointer; };
        s.primaryButtonDown = [this] { return buttonDown; };
        s.dragChangeCount = [this] { return dragCount; };
        s.activePid = [this] { return activePid; };
        return s;
    }

    // Goes out on schedule with nothing pending.
    void goOutNow() {
        clock.setNow(roam->nextOuting + 1);
        roam->scheduleTick();
        ASSERT_TRUE(roam->isOut());
    }

    test::ScratchStore store;
    ManualClock clock;
    SeededRandom random;
    ManualScheduler scheduler, petScheduler;
    ManualInputIdleness idle;
    std::unique_ptr<PetLife> life;
    std::unique_ptr<DesktopRoam> roam;
    CatLog cat;
    PanelLog panel;
    Pomodoro::Phase phase = Pomodoro::Phase::idle;
    IslandMode mode = IslandMode::hidden;
    IslandView view = IslandView::room;
    std::optional<RoamScreen> screen = RoamScreen{QRectF(200, 0, 1440, 900), QRectF(200, 24, 1440, 876)};
    QPointF pointer;
    bool buttonDown = false;
    int dragCount = 0;
    long long activePid = 0;
};

}  // namespace

// With roaming on, the cat first goes out a minute to two and a half after the app starts, by its
// own schedule, and not before: after every start, whatever the delay drawn.
TEST_F(RoamControllerTest, AfterEachStartTheFirstOutingWaitsItsDelay) {
    std::set<long> delays;
    for (int start = 0; start < 4; ++start) {
        roam.reset();
        QCoreApplication::processEvents();
        roam = std::make_unique<DesktopRoam>(services());
        const double started = clock.now();
        roam->start();
        double outAfter = -1;
        for (int second = 0; second < 200 && outAfter < 0; ++second) {
            clock.advance(1);
            scheduler.advance(1);
            if (roam->isOut()) outAfter = clock.now() - started;
        }
        EXPECT_GE(outAfter, 60) << "start " << start;
        EXPECT_LE(outAfter, 151) << "start " << start;
        delays.insert(std::lround(outAfter));
        if (cat.onHome) cat.onHome();
    }
    EXPECT_GT(delays.size(), 1u) << "the same delay after every start";
}

TEST_F(RoamControllerTest, FramesComeAtTheDisplaysRateForTheWholeOuting) {
    goOutNow();
    const int before = cat.ticks;
    scheduler.advance(10);
    EXPECT_NEAR(cat.ticks - before, 600, 1);
}

TEST_F(RoamControllerTest, HandStartedOutingWithRoamingOffIsForcedAndNotCalledHome) {
    store->set("desktopRoam", false);
    life->setSleeping(true);
    roam->sendOut();
    ASSERT_TRUE(roam->isOut());
    EXPECT_TRUE(roam->forced);
    EXPECT_FALSE(life->isSleeping());
    clock.advance(5);
    roam->scheduleTick();
    EXPECT_TRUE(cat.headHome.empty());
    // Not forced: with roaming off the cat is called home at once.
    roam->forced = false;
    roam->scheduleTick();
    ASSERT_EQ(cat.headHome.size(), 1u);
    EXPECT_TRUE(cat.headHome[0]);
}

TEST_F(RoamControllerTest, RefusedHandStartedOutingLeavesNothingBehind) {
    // "Let him out now" with roaming off and no screen, a break trick and an ask waiting.
    store->set("desktopRoam", false);
    const auto where = screen;
    screen.reset();
    roam->pendingTrick = DesktopCat::Trick::breakTime;
    roam->pendingNeed = PetNeed::hungry;
    roam->sendOut();
    ASSERT_FALSE(roam->isOut());
    EXPECT_FALSE(roam->forced);
    EXPECT_FALSE(roam->pendingTrick);
    EXPECT_FALSE(roam->pendingNeed);
    // A later scheduled outing carries none of it and is called home when roaming goes off.
    screen = where;
    store->set("desktopRoam", true);
    goOutNow();
    EXPECT_TRUE(cat.queued.empty());
    EXPECT_TRUE(cat.asked.empty());
    store->set("desktopRoam", false);
    clock.advance(1);
    roam->scheduleTick();
    ASSERT_EQ(cat.headHome.size(), 1u);
    EXPECT_TRUE(cat.headHome[0]);
}

// A hungry, sick or dirty cat at home goes out to ask for what it needs.
TEST_F(RoamControllerTest, APressingNeedAtHomeSendsTheCatOutToAskForIt) {
    for (const PetNeed need : {PetNeed::hungry, PetNeed::sick, PetNeed::dirty}) {
        life->setNeed(need);
        clock.advance(601);  // past the gap between two asks
        roam->scheduleTick();
        ASSERT_TRUE(roam->isOut()) << int(need);
        EXPECT_EQ(cat.asked, std::vector<PetNeed>{need});
        cat.asked.clear();
        cat.onHome();
    }
}

TEST_F(RoamControllerTest, FrameFeedsThePointerAndSwitchesClickThroughOnlyOnChange) {
    goOutNow();
    pointer = QPointF(200 + 120, 130);  // over the cat's hit rectangle once in panel space
    scheduler.advance(1.0 / 60 + 1e-9);
    ASSERT_EQ(cat.ticks, 1);
    EXPECT_EQ(cat.mouse.back(), QPointF(120, 130));
    EXPECT_FALSE(panel.clickThrough);
    EXPECT_EQ(panel.writes, 1);
    roam->frameTick();
    roam->frameTick();
    EXPECT_EQ(panel.writes, 1);
    pointer = QPointF(900, 700);
    roam->frameTick();
    EXPECT_TRUE(panel.clickThrough);
    // A held cat keeps the panel clickable wherever the pointer is.
    cat.dragged = true;
    roam->frameTick();
    EXPECT_FALSE(panel.clickThrough);
    EXPECT_EQ(panel.writes, 3);
}

TEST_F(RoamControllerTest, FocusRoundCallsTheCatHomeOnceItsStepEnds) {
    goOutNow();
    phase = Pomodoro::Phase::focus;
    roam->scheduleTick();
    EXPECT_EQ(cat.headHome, std::vector<bool>{false});
}

TEST_F(RoamControllerTest, FileDragIsSeenWithinAGlanceHoweverSlowTheFrames) {
    goOutNow();
    // Frames as slow as a resting cat's used to come, and at the display's rate.
    for (const double fps : {15.0, 60.0}) {
        auto frame = [&] {
            clock.advance(1 / fps);
            roam->frameTick();
        };
        const int before = cat.dragStarts;
        buttonDown = true;  // the press, seen on the next frame
        frame();
        for (double lag : {0.0, 0.05, 0.11}) {
            // The drag begins at some moment after the press; it is seen within 0.15 s.
            buttonDown = false;
            frame();
            buttonDown = true;
            frame();
            for (double waited = 0; waited < lag; waited += 1 / fps) frame();
            ++dragCount;
            double seen = 0;
            while (!cat.userDragging && seen < 1) {
                frame();
                seen += 1 / fps;
            }
            EXPECT_LE(seen, 0.15 + 1e-9) << fps << " frames a second, drag " << lag << " s after the press";
        }
        EXPECT_EQ(cat.dragStarts, before + 3);
        // A press that drags nothing is never taken for a file drag.
        buttonDown = false;
        frame();
        EXPECT_FALSE(cat.userDragging);
        buttonDown = true;
        for (int i = 0; i < fps; ++i) frame();
        EXPECT_FALSE(cat.userDragging);
        buttonDown = false;
        frame();
    }
}

TEST_F(RoamControllerTest, OpeningTheIslandCallsTheCatHomeOnce) {
    goOutNow();
    mode = IslandMode::expanded;
    roam->frameTick();
    roam->frameTick();
    ASSERT_EQ(cat.headHome.size(), 1u);
    EXPECT_TRUE(cat.headHome[0]);
}

TEST_F(RoamControllerTest, ArrivalHomeEndsTheOuting) {
    goOutNow();
    ASSERT_TRUE(cat.onHome);
    EXPECT_NE(roam->cat(), nullptr);
    // The pomodoro's call at a focus round's start: home at once, the running step dropped.
    roam->cat()->headHome(true);
    roam->cat()->announce();
    EXPECT_EQ(cat.headHome, std::vector<bool>{true});
    EXPECT_EQ(cat.announces, 1);
    roam->forced = true;
    cat.onHome();
    EXPECT_FALSE(roam->isOut());
    EXPECT_FALSE(roam->forced);
    EXPECT_EQ(panel.outs, 1);
    EXPECT_EQ(roam->cat(), nullptr);
    EXPECT_FALSE(life->isOut());
    EXPECT_GE(roam->nextOuting, clock.now() + 150);
    EXPECT_LE(roam->nextOuting, clock.now() + 480);
    // The frame timer is gone.
    const int ticks = cat.ticks;
    scheduler.advance(1);
    EXPECT_EQ(cat.ticks, ticks);
    QCoreApplication::processEvents();
}

TEST_F(RoamControllerTest, CatNoticesOnlyASwitchToAnotherAppMadeWhileItIsOut) {
    auto frames = [&](double seconds) {
        for (int i = 0; i < seconds * 60; ++i) {
            clock.advance(1.0 / 60);
            roam->frameTick();
        }
    };
    activePid = 4242;  // in front when the cat goes out: no switch
    goOutNow();
    frames(0.5);
    EXPECT_TRUE(cat.appsSwitchedTo.empty());
    activePid = 5151;
    frames(0.5);
    activePid = 777;  // the app's own window: nothing to visit
    frames(0.5);
    EXPECT_EQ(cat.appsSwitchedTo, std::vector<long long>{5151});
}

// The screen changes during an outing (a new size, another primary screen): the panel covers the
// screen as it is now and the cat is given it; the pointer is read on the new frame. With no screen
// left the outing ends at once.
TEST_F(RoamControllerTest, AScreenChangeMidOutingTakesThePanelAndTheCatAlong) {
    roam->screenChanged();  // nothing out: nothing to follow
    goOutNow();
    const RoamScreen smaller{QRectF(0, 0, 1024, 768), QRectF(0, 24, 1024, 744)};
    screen = smaller;
    roam->screenChanged();
    EXPECT_EQ(panel.refits, std::vector<QRectF>{smaller.frame});
    ASSERT_EQ(cat.movedTo.size(), 1u);
    EXPECT_EQ(cat.movedTo[0], smaller);
    pointer = QPointF(300, 200);
    roam->frameTick();
    EXPECT_EQ(cat.mouse.back(), QPointF(300, 200));
    EXPECT_TRUE(roam->isOut());

    screen.reset();
    roam->screenChanged();
    EXPECT_FALSE(roam->isOut());
    EXPECT_EQ(panel.outs, 1);
    EXPECT_FALSE(life->isOut());
    const int ticks = cat.ticks;
    scheduler.advance(1);
    EXPECT_EQ(cat.ticks, ticks);
    QCoreApplication::processEvents();
}
