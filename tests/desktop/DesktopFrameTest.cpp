// The frame tick: windows that move or close under the cat.
#include "DesktopPlanWorld.h"

#include <gtest/gtest.h>

#include <cmath>

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
