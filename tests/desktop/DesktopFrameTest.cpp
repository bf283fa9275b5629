// The frame tick: late and backward frames, pops, blends, holding, and windows that move or close.
#include "DesktopPhysicsWorld.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kp;
using Pose = DesktopCat::Pose;

namespace {

struct DesktopFrame : ::testing::Test {
    test::DesktopRoamWorld w;
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

TEST_F(DesktopFrame, LateFrameAdvancesTheFallAndBlendsByAtMostAFrameStep) {
    cat->feet = QPointF(100, 100);  // beside the window, high above the floor
    cat->vx = 0;
    cat->vy = 0;
    cat->squash = 0.5;
    tickAfter(0.3);
    EXPECT_TRUE(cat->falling);
    EXPECT_NEAR(cat->vy, 2300 * 0.05, 1e-9);
    EXPECT_NEAR(cat->squash, 0.5 + 0.5 * 0.5, 1e-9);
    EXPECT_NEAR(cat->appear, 0.2, 1e-9);
    EXPECT_EQ(cat->pose, Pose::air);
}

TEST_F(DesktopFrame, ClockGoingBackwardsLeavesThePointerSpeed) {
    cat->mouseMoved(QPointF(100, 100));
    tickAfter(0.02);
    cat->mouseMoved(QPointF(120, 100));
    tickAfter(0.02);  // 1000 points/s, smoothed by 18 * 0.02
    const double speed = cat->mouseSpeed;
    EXPECT_GT(speed, 0);
    EXPECT_LE(speed, 4000);
    cat->mouseMoved(QPointF(400, 100));
    tickAfter(-1);
    EXPECT_EQ(cat->mouseSpeed, speed);
    EXPECT_EQ(cat->lastMouse, QPointF(400, 100));
}

TEST_F(DesktopFrame, FutureHeartsSurviveTheCleanUp) {
    const double t = now() + 0.02;
    cat->pops.push_back(cat->makePop(QPointF(1, 1), DesktopCat::Pop::Kind::heart, {}, t - 1.9, 0));
    cat->pops.push_back(cat->makePop(QPointF(1, 1), DesktopCat::Pop::Kind::heart, {}, t + 0.18, 0));
    cat->pops.push_back(cat->makePop(QPointF(1, 1), DesktopCat::Pop::Kind::heart, {}, t + 0.36, 0));
    tickAfter(0.02);
    ASSERT_EQ(cat->pops.size(), 2u);
    EXPECT_NEAR(cat->pops[0].born, t + 0.18, 1e-9);
}

TEST_F(DesktopFrame, BlendsEaseTowardsThePoseAndTheFacing) {
    cat->isDragged = true;  // keeps steps out of the way; the blends still run
    cat->pose = Pose::crouch;
    cat->sit = 0;
    cat->facingRight = false;
    cat->turn = 1;
    tickAfter(0.05);
    EXPECT_NEAR(cat->sit, 0.5 * 9 * 0.05, 1e-6);
    EXPECT_NEAR(cat->turn, 1 - 2 * (1 - std::pow(1e-9, 0.05)), 1e-6);
    cat->pose = Pose::groom;
    cat->sit = 0.5;
    tickAfter(0.2);  // a late frame: at most 0.05 of easing
    EXPECT_NEAR(cat->sit, 0.5 + 0.5 * 0.45, 1e-6);
}

TEST_F(DesktopFrame, HeldCatHangsUnderThePointerAndKeepsRecentSamples) {
    cat->pickUp();
    for (int i = 0; i < 20; ++i) {
        cat->mouseMoved(QPointF(200 + 10 * i, 300));
        tickAfter(0.02);
    }
    EXPECT_EQ(cat->pose, Pose::dangle);
    EXPECT_NEAR(cat->feet.x(), 390, 1e-9);
    EXPECT_NEAR(cat->feet.y(), 300 + 30 * 1.45, 1e-9);
    for (const auto& s : cat->dragHistory) EXPECT_LE(now() - s.at, 0.12 + 1e-9);
    EXPECT_GE(cat->dragHistory.size(), 6u);
}

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

TEST_F(DesktopFrame, WatchPerchNeedsAWindowOfAtLeast260By160) {
    w.windows.windows.clear();
    w.addWindow(30, QRectF(100, 300, 259, 300));
    w.addWindow(31, QRectF(600, 300, 400, 200));
    w.clock.advance(0.2);
    cat->rescanTerrain(now());
    EXPECT_TRUE(cat->watchPlan(30, 10).empty());
    EXPECT_FALSE(cat->watchWindow);
    EXPECT_EQ(cat->watchableWindow(), 31);

    const DesktopCat::Plan plan = cat->watchPlan(31, 10);
    ASSERT_EQ(plan.size(), 3u);
    EXPECT_EQ(plan[0].kind, DesktopCat::Step::Kind::hop);
    EXPECT_EQ(plan[0].ground, ground::watchPerch);
    EXPECT_GE(plan[0].x, 624 + 30);
    EXPECT_LE(plan[0].x, 976 - 30);
    EXPECT_EQ(plan[1], DesktopCat::Step::watch(10));
    EXPECT_EQ(plan[2], DesktopCat::Step::sit(1.5));
    EXPECT_EQ(cat->watchWindow, 31);
    const auto perch = cat->terrain.ledge(ground::watchPerch, 800);
    ASSERT_TRUE(perch);
    EXPECT_EQ(*perch, (Ledge{ground::watchPerch, 494, 624, 976}));

    // The perch follows its window at each refresh and ends when the window shrinks.
    w.clock.advance(0.2);
    cat->rescanTerrain(now());
    EXPECT_TRUE(cat->terrain.ledge(ground::watchPerch, 800));
    w.windows.windows[1].bounds.setHeight(150);
    w.clock.advance(0.2);
    cat->rescanTerrain(now());
    EXPECT_FALSE(cat->watchWindow);
    EXPECT_FALSE(cat->terrain.ledge(ground::watchPerch, 800));
}

}  // namespace
