#include "DesktopPlanWorld.h"

#include "desktop/DesktopSteps.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kp;
using namespace kp::test;
using Step = DesktopCat::Step;
using Kind = DesktopCat::Step::Kind;
using Pose = DesktopCat::Pose;


TEST(DesktopStepHandlersTest, AMetNeedEndsTheAskWithAHeartAndGoesHomeAtOnce) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    w.life->setNeed(PetNeed::hungry);
    cat.asking = PetNeed::hungry;
    cat.plan = {Step::ask(120), Step::sit(3)};
    w.frame();
    ASSERT_EQ(cat.pops.size(), 1u);
    const QStringList hungry = {"food?", "I'm hungry…", "dinner?", "my bowl…"};
    EXPECT_TRUE(hungry.contains(cat.pops[0].text));
    EXPECT_EQ(cat.expression(w.clock.now()), CatExpression::meow);
    w.run(1);
    EXPECT_EQ(cat.expression(w.clock.now()), CatExpression::sad);

    w.life->setNeed(std::nullopt);
    w.frame();
    EXPECT_FALSE(cat.asking);
    EXPECT_TRUE(cat.homeBound);
    EXPECT_TRUE(cat.plan.empty());
    EXPECT_EQ(cat.pops.back().kind, DesktopCat::Pop::Kind::heart);
    EXPECT_EQ(w.sounds.back(), PetSound::trill);
}


TEST(DesktopStepHandlersTest, TheMugIsNudgedTwiceThenKnockedOff) {
    DesktopPlanWorld w;
    w.addWindow(2, QRectF(300, 400, 600, 300));
    auto& cat = w.make(2, 600);
    DesktopCat::Cup mug;
    mug.p = QPointF(640, 400);
    mug.window = 2;
    cat.cup = mug;
    cat.plan = {Step::of(Kind::nudgeCup), Step::watchCup(1.8)};
    w.run(0.45);
    EXPECT_DOUBLE_EQ(cat.cup->p.x(), 640);
    w.run(0.1);
    EXPECT_DOUBLE_EQ(cat.cup->p.x(), 643);
    EXPECT_EQ(w.sounds.back(), PetSound::pop);
    w.run(0.5);
    EXPECT_DOUBLE_EQ(cat.cup->p.x(), 646);
    EXPECT_FALSE(cat.cup->falling);
    w.run(0.5);
    EXPECT_TRUE(cat.cup->falling);
    EXPECT_DOUBLE_EQ(cat.cup->vx, 110);
    EXPECT_DOUBLE_EQ(cat.cup->spin, 7);
    EXPECT_EQ(cat.nudges, 0);
    EXPECT_EQ(cat.plan.front(), Step::watchCup(1.8));
}


TEST(DesktopStepHandlersTest, TheCatWalksUpToTheMugFromItsOwnSide) {
    for (const double from : {330.0, 970.0}) {
        DesktopPlanWorld w;
        w.addWindow(5, QRectF(250, 300, 800, 400));
        auto& cat = w.make(5, from);
        cat.plan = cat.planFor(DesktopCat::Trick::mug, w.ground());
        cat.stepStarted = w.clock.now();
        ASSERT_TRUE(cat.cup);
        w.run(20);  // up to the mug
        ASSERT_FALSE(cat.plan.empty());
        EXPECT_EQ(cat.plan.front().kind, Kind::stare) << "from " << from;
        const double mug = cat.cup->p.x();
        EXPECT_GT((cat.feet.x() - mug) * (from - mug), 0) << "on the side it came from, from " << from;
        EXPECT_GT(std::abs(cat.feet.x() - mug), 20) << "beside it, not over it, from " << from;
        EXPECT_LT(std::abs(cat.feet.x() - mug), 60) << "within a paw's reach, from " << from;
    }
}


// Follows a pointer that comes to rest at `pointer` with a window's top edge at y 600 below it,
// the cat on the floor beneath: where the cat stands two seconds on.
Ledge followToRest(QPointF pointer) {
    DesktopPlanWorld w;
    w.addWindow(2, QRectF(300, 600, 600, 200));
    auto& cat = w.make(0, 600);
    cat.plan = {Step::follow(10)};
    cat.mouseMoved(pointer);
    for (int i = 0; i < 120; ++i) {
        w.clock.advance(1.0 / 60);
        cat.tick(w.clock.now());
    }
    EXPECT_FALSE(cat.flight);
    EXPECT_FALSE(cat.falling);
    return w.ground();
}

TEST(DesktopStepHandlersTest, AFollowingCatHopsOntoTheEdgeThePointerRestsJustAbove) {
    const Ledge near = followToRest(QPointF(700, 500));
    EXPECT_EQ(near.window, 2) << "the pointer 100 points above the window's top";
    EXPECT_EQ(near.y, 600);
    const Ledge far = followToRest(QPointF(700, 480));
    EXPECT_EQ(far.window, ground::floor) << "the pointer 120 points above the window's top";
}


// Chases a file dragged to `pointer` over the windows given, the cat on the floor at x 1000, for
// a second and a half: where the cat ends and whether it ever hopped.
struct Chase {
    Ledge ground;
    double x = 0;
    bool hopped = false;
};

Chase chaseDragTo(const std::vector<std::pair<int, QRectF>>& windows, QPointF pointer) {
    DesktopPlanWorld w;
    for (const auto& [number, bounds] : windows) w.addWindow(number, bounds);
    auto& cat = w.make(0, 1000);
    cat.userDragging = true;
    cat.plan = {Step::of(Kind::chase)};
    cat.mouseMoved(pointer);
    Chase c;
    for (int i = 0; i < 90; ++i) {
        w.clock.advance(1.0 / 60);
        cat.tick(w.clock.now());
        c.hopped = c.hopped || cat.flight || (!cat.plan.empty() && cat.plan.front().kind == Kind::hop);
    }
    EXPECT_FALSE(cat.flight);
    c.ground = w.ground();
    c.x = cat.feet.x();
    return c;
}

TEST(DesktopStepHandlersTest, AChasingCatHopsOnlyOntoTheWindowUnderTheFileWithinItsReach) {
    // A window under the file, 300 points up, and a higher one off to the left: onto the one under it.
    const Chase under = chaseDragTo({{2, QRectF(900, 600, 400, 200)}, {3, QRectF(100, 300, 400, 300)}},
                                    QPointF(1100, 560));
    EXPECT_EQ(under.ground.window, 2);
    EXPECT_EQ(under.ground.y, 600);
    // The window under the file 450 points up: out of reach, the cat runs beneath and waits.
    const Chase high = chaseDragTo({{2, QRectF(900, 450, 400, 350)}}, QPointF(1100, 420));
    EXPECT_FALSE(high.hopped);
    EXPECT_EQ(high.ground.window, ground::floor);
    EXPECT_NEAR(high.x, 1100, 1.5);
    // Nothing under the file but the floor the cat runs on: no hop on the spot, however high the file.
    const Chase bare = chaseDragTo({}, QPointF(700, 300));
    EXPECT_FALSE(bare.hopped);
    EXPECT_NEAR(bare.x, 700, 1.5);
}


TEST(DesktopStepHandlersTest, TheLeapHomeComesAfterAMomentsCrouch) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 720);
    cat.plan = {Step::of(Kind::intoNotch)};
    w.run(0.2);
    EXPECT_EQ(cat.pose, Pose::crouch);
    EXPECT_FALSE(cat.flight);
    EXPECT_TRUE(w.sounds.empty());
    w.run(0.1);
    ASSERT_TRUE(cat.flight);
    EXPECT_TRUE(cat.flight->intoNotch);
    EXPECT_LT(cat.flight->to.y(), 24);
    EXPECT_EQ(w.sounds, std::vector<PetSound>{PetSound::trill});
}


TEST(DesktopStepHandlersTest, AHopStartsFromAMomentsCrouch) {
    DesktopPlanWorld w;
    w.addWindow(2, QRectF(500, 600, 400, 200));
    auto& cat = w.make(0, 400);
    cat.plan = {Step::hop(2, 700)};
    cat.stepStarted = w.clock.now();
    w.run(0.1);
    EXPECT_EQ(cat.pose, Pose::crouch);
    EXPECT_FALSE(cat.flight);
    w.run(0.3);
    EXPECT_TRUE(cat.flight);
}
