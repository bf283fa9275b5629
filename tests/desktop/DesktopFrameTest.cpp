// The frame tick: windows that move or close under the cat.
#include "DesktopPlanWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

using namespace kp;
using Pose = DesktopCat::Pose;

namespace {

struct DesktopFrame : ::testing::Test {
    test::DesktopPlanWorld w;
    DesktopCat* cat = nullptr;
    void SetUp() override {
        w.addWindow(21, QRectF(300, 400, 600, 400));
        cat = &w.make();
    }
    double now() const { return w.clock.now(); }
    void tickAfter(double seconds) {
        w.clock.advance(seconds);
        cat->tick(now());
    }
};

TEST_F(DesktopFrame, CatRidesAMovingWindowAndFallsWhenItCloses) {
    w.clock.advance(0.2);
    cat->rescanTerrain(now());
    w.standOn(21, 500);
    ASSERT_EQ(cat->feet.y(), 400);
    cat->cup = DesktopCat::Cup{QPointF(650, 400), 0, 0, 0, 0, false, false, 21, std::nullopt};
    cat->gift = DesktopCat::Gift{QPointF(700, 400), 21, false, now()};

    w.windows.windows[0].bounds.translate(200, -50);
    w.clock.advance(0.2);
    cat->rescanTerrain(now());
    EXPECT_EQ(cat->feet.x(), 700);
    EXPECT_EQ(cat->cup->p, QPointF(850, 350));
    EXPECT_EQ(cat->gift->p, QPointF(900, 350));

    w.windows.windows.clear();
    tickAfter(0.2);  // the refresh of this frame finds the window gone
    EXPECT_TRUE(cat->falling);
    EXPECT_FALSE(cat->gift);
    EXPECT_TRUE(cat->cup->falling);
}

// The mug the trick sets down belongs to the window it stands on: dragged along with it.
TEST_F(DesktopFrame, TheMugTheTrickSetsDownRidesItsWindow) {
    w.clock.advance(0.2);
    cat->rescanTerrain(now());
    w.standOn(21, 500);
    cat->plan = cat->planFor(DesktopCat::Trick::mug, w.ground());
    ASSERT_TRUE(cat->cup);
    const QPointF placed = cat->cup->p;
    w.windows.windows[0].bounds.translate(-120, 30);
    w.clock.advance(0.2);
    cat->rescanTerrain(now());
    EXPECT_DOUBLE_EQ(cat->cup->p.x(), placed.x() - 120);
    EXPECT_DOUBLE_EQ(cat->cup->p.y(), placed.y() + 30);
}

// A window dragged to the screen's side carries the cat along; its next plan, a nap where it is,
// walks it back into sight first, and nothing it does then takes it out of sight again.
TEST_F(DesktopFrame, ACatCarriedToTheScreensSideWalksBackIntoSight) {
    w.clock.advance(0.2);
    cat->rescanTerrain(now());
    w.standOn(21, 330);
    cat->plan = {DesktopCat::Step::sit(0.5)};
    cat->queuedTrick = DesktopCat::Trick::bellyNap;
    w.windows.windows[0].bounds.translate(-320, 0);
    tickAfter(0.2);
    ASSERT_EQ(cat->feet.x(), 10);
    double seconds = 0;
    for (; seconds < 30; seconds += 1.0 / 60) {
        tickAfter(1.0 / 60);
        if (seconds > 3) {
            ASSERT_GE(cat->feet.x(), cat->drawnReach() - 0.01) << seconds << " s on";
        }
    }
}

// A cat watching a window from its perch stays there while other windows come, go and move, and
// leaves it once the watched window closes.
TEST_F(DesktopFrame, AWatchingCatKeepsItsPerchUntilItsWindowCloses) {
    w.addWindow(22, QRectF(1000, 150, 300, 200));
    tickAfter(0.2);
    w.standOn(ground::floor, 700);
    cat->plan = cat->watchPlan(21, 30);
    ASSERT_FALSE(cat->plan.empty());
    for (int i = 0; i < 180 && (cat->flight || cat->currentStep() != DesktopCat::Step::Kind::watch); ++i) tickAfter(1.0 / 60);
    ASSERT_EQ(cat->window, ground::watchPerch);
    const QPointF perched = cat->feet;
    for (int i = 0; i < 60 * 5; ++i) {
        if (i % 30 == 0) w.windows.windows[1].bounds.translate(i % 60 ? 40 : -40, 10);
        if (i == 150) w.addWindow(23, QRectF(100, 100, 400, 300));
        tickAfter(1.0 / 60);
        ASSERT_EQ(cat->window, ground::watchPerch) << i;
        ASSERT_FALSE(cat->falling) << i;
    }
    EXPECT_EQ(cat->feet, perched);
    EXPECT_EQ(cat->pose, Pose::back);
    std::erase_if(w.windows.windows, [](const WindowInfo& info) { return info.number == 21; });
    for (int i = 0; i < 30; ++i) tickAfter(1.0 / 60);
    EXPECT_FALSE(cat->watchWindow);
    EXPECT_NE(cat->window, ground::watchPerch);
}

// On a crowded desktop the window list takes a while to read the first time.
TEST(DesktopFirstRead, TheCatWaitsUnseenUntilTheWindowsAreReadThenLandsOnTheOneBelow) {
    test::DesktopPlanWorld w;
    w.addWindow(21, QRectF(300, 400, 600, 400));
    const std::vector<WindowInfo> desktop = w.windows.windows;
    w.windows.windows.clear();
    w.windows.isReady = false;
    DesktopCat cat(w.screen, w.world());
    const QPointF start = cat.feet;
    const auto tick = [&] {
        w.clock.advance(1.0 / 60);
        cat.tick(w.clock.now());
    };
    for (int i = 0; i < 120; ++i) tick();
    EXPECT_EQ(cat.feet, start);
    EXPECT_EQ(cat.appear, 0);
    w.windows.windows = desktop;
    w.windows.isReady = true;
    for (int i = 0; i < 300 && (cat.falling || cat.flight); ++i) tick();
    EXPECT_EQ(cat.window, 21);
    EXPECT_EQ(cat.feet.y(), 400);
    EXPECT_GT(cat.appear, 0.9);
}

TEST(DesktopBreakPerch, GoneOnceTheBreakIsTakenSoADroppedCatFallsThroughItsPlace) {
    test::DesktopPlanWorld w;
    DesktopCat& cat = w.make(0, 300);
    auto tickUntil = [&](auto done, int frames = 60 * 6) {
        for (int i = 0; i < frames && !done(); ++i) {
            w.clock.advance(1.0 / 60);
            cat.tick(w.clock.now());
        }
        return done();
    };
    cat.pendingBreak = true;
    ASSERT_TRUE(tickUntil([&] { return cat.window == ground::breakPerch && !cat.flight; })) << "up on the perch";
    const QPointF perch = cat.feet;
    ASSERT_LT(perch.y(), 600);
    // The user leaves the keyboard: the break is taken, and the cat goes down to the floor.
    w.idle.set(20);
    ASSERT_TRUE(tickUntil([&] { return cat.window == ground::floor && !cat.flight && !cat.falling; }));
    w.idle.set(0);
    tickUntil([] { return false; }, 30);  // half a second on the floor
    // Picked up and let go just above where the perch was.
    cat.pickUp();
    cat.mouseMoved(perch - QPointF(0, 60));
    tickUntil([&] { return cat.pose == Pose::dangle; });
    cat.drop();
    ASSERT_TRUE(tickUntil([&] { return !cat.falling; }));
    EXPECT_EQ(cat.window, ground::floor);
    EXPECT_EQ(cat.feet.y(), 900 - soleDepth);
}

// A pointer sweeping past the head at a steady speed, one tick per frame at `fps`, for a second:
// whether the cat pounced.
bool pouncesAt(double fps, double pointsPerSecond) {
    test::DesktopPlanWorld w;
    DesktopCat& cat = w.make(0, 700);
    cat.lastPounce = distantPast;
    cat.plan = {DesktopCat::Step::sit(60)};
    const double head = cat.headPoint().y();
    double x = 500;
    cat.mouseMoved(QPointF(x, head));
    cat.tick(w.clock.now());
    for (int i = 0; i < fps; ++i) {
        w.clock.advance(1 / fps);
        x += pointsPerSecond / fps;
        cat.mouseMoved(QPointF(x, head));
        cat.tick(w.clock.now());
        if (!cat.plan.empty() && cat.plan.front().kind == DesktopCat::Step::Kind::pounce) return true;
    }
    return false;
}

TEST(DesktopPointerSpeed, ReadFromTheRealTimeBetweenFramesAtAnyFrameRate) {
    for (const double fps : {15.0, 30.0, 60.0}) {
        EXPECT_FALSE(pouncesAt(fps, 900)) << fps << " frames a second";
        EXPECT_TRUE(pouncesAt(fps, 1200)) << fps << " frames a second";
    }
}

}  // namespace

// The screen shrinks from 1440 x 900 to 1024 x 768 during an outing: the cat walking the floor
// beyond the new edge comes down on the new floor inside it and keeps there, whatever its plan;
// the gift on the floor and the break perch come along, and a flight into the notch goes where the
// notch is now. Grown again, the floor drops away under the cat and it falls onto the new one.
TEST(DesktopScreenChange, TheCatComesOntoAScreenThatChangedSize) {
    test::DesktopPlanWorld w;
    DesktopCat& cat = w.make(ground::floor, 1300);
    const double floor900 = cat.feet.y();
    auto frames = [&](double seconds, const std::function<void()>& each) {
        for (int i = 0; i < seconds * 60; ++i) {
            w.clock.advance(1.0 / 60);
            cat.tick(w.clock.now());
            each();
        }
    };
    cat.plan = {DesktopCat::Step::walk(1400, false), DesktopCat::Step::sit(30)};
    cat.gift = DesktopCat::Gift{QPointF(1200, floor900), ground::floor, false, w.clock.now()};
    const RoamScreen small{QRectF(0, 0, 1024, 768), QRectF(0, 24, 1024, 744)};
    cat.moveToScreen(small, w.clock.now());
    EXPECT_EQ(cat.terrain.size, QSizeF(1024, 768));
    EXPECT_EQ(cat.gift->p, QPointF(1024 - 22, 768 - soleDepth));
    int frame = 0;
    double furthest = 0;  // from the third frame on: the fall back inside takes two
    frames(4, [&] {
        if (++frame > 2) furthest = std::max(furthest, cat.feet.x());
    });
    EXPECT_LE(furthest, 1024 - 16);
    EXPECT_FALSE(cat.falling);
    EXPECT_EQ(cat.window, ground::floor);
    EXPECT_EQ(cat.feet.y(), 768 - soleDepth);

    // Sitting on the break perch in the middle of the screen.
    cat.breakSpot();
    w.standOn(ground::breakPerch, 512 + 30);
    cat.moveToScreen(w.screen, w.clock.now());
    EXPECT_EQ(cat.breakSpotPoint, QPointF(720, 0.55 * 900));
    EXPECT_EQ(cat.feet, QPointF(720 + 30, 0.55 * 900));
    cat.breakSpotPoint.reset();

    // Grown again under a cat on the floor, and under one flying home.
    w.standOn(ground::floor, 500);
    cat.moveToScreen(small, w.clock.now());
    cat.feet.setY(768 - soleDepth);
    cat.moveToScreen(w.screen, w.clock.now());
    EXPECT_TRUE(cat.falling);
    frames(2, [] {});
    EXPECT_FALSE(cat.falling);
    EXPECT_EQ(cat.feet.y(), floor900);
    cat.startFlight(QPointF(720, cat.terrain.menuBottom - 2), ground::notch, true);
    cat.moveToScreen(small, w.clock.now());
    EXPECT_EQ(cat.flight->to, QPointF(512, cat.terrain.menuBottom - 2));
}
