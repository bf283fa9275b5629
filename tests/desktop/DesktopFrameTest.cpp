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

}  // namespace
