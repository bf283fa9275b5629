// Falls, hops, the flight home and the mug, with the numbers the cat's physics promises.
#include "DesktopPlanWorld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace kp;
using Pose = DesktopCat::Pose;

namespace {

struct DesktopPhysics : ::testing::Test {
    test::DesktopPlanWorld w;
    DesktopCat* cat = nullptr;
    void SetUp() override { cat = &w.make(); }
    double now() const { return w.clock.now(); }
    // A terrain of hand-made ledges on the 1440 x 900 screen.
    void ledges(std::vector<Ledge> list, std::optional<DockRange> dock = std::nullopt) {
        cat->terrain.ledges = std::move(list);
        cat->terrain.dock = dock;
    }
};

TEST_F(DesktopPhysics, HopWhoseWindowVanishedBecomesAFall) {
    ledges({{ground::floor, 899, 0, 1440}, {5, 600, 100, 500}});
    cat->falling = false;
    cat->feet = QPointF(200, 899);
    cat->startFlight(QPointF(300, 600), 5, false);
    const double end = cat->flight->start + cat->flight->duration;
    ledges({{ground::floor, 899, 0, 1440}, {5, 640, 100, 500}});  // the window moved 40 down
    cat->vx = 12;
    cat->updateFlight(end);
    EXPECT_FALSE(cat->flight);
    EXPECT_TRUE(cat->falling);
    EXPECT_EQ(cat->vy, 200);
    EXPECT_EQ(cat->vx, 12);
}

TEST_F(DesktopPhysics, FlightIntoTheNotchFadesOutAndCallsHomeOnce) {
    int homes = 0;
    cat->onHome = [&] { ++homes; };
    cat->falling = false;
    cat->appear = 1;
    cat->feet = QPointF(720, 400);
    cat->startFlight(QPointF(720, 10), ground::notch, true);
    ASSERT_TRUE(cat->flight);
    EXPECT_DOUBLE_EQ(cat->flight->duration, std::min(390 / 1500.0 + 0.38, 1.3));
    EXPECT_DOUBLE_EQ(cat->flight->arc, 30 + 0.08 * 390);
    const double s = cat->flight->start, d = cat->flight->duration;
    cat->updateFlight(s + 0.65 * d);
    EXPECT_NEAR(cat->appear, 1, 1e-4);
    cat->updateFlight(s + 0.825 * d);
    EXPECT_NEAR(cat->appear, 0.5, 1e-4);
    EXPECT_EQ(homes, 0);
    cat->updateFlight(s + d);
    EXPECT_EQ(homes, 1);
    EXPECT_FALSE(cat->flight);
    EXPECT_EQ(cat->appear, 0);
}

TEST_F(DesktopPhysics, MugKnockedPastTheScreenEdgeIsGoneOnceBelowTheScreen) {
    ledges({{ground::floor, 899, 0, 1440}, {4, 299, 1300, 1440}});
    cat->cup = DesktopCat::Cup{QPointF(1436, 299), 110, 0, 0, 7, true, false, 4, std::nullopt};
    double t = now();
    double lowest = 0;
    for (int i = 0; i < 60 * 60 && cat->cup; ++i) {
        t += 1 / 60.0;
        cat->updateCup(1 / 60.0, t);
        if (cat->cup) lowest = cat->cup->p.y();
    }
    EXPECT_FALSE(cat->cup);
    EXPECT_GT(lowest, 900);
    EXPECT_LT(lowest, 1000);
}

}  // namespace
