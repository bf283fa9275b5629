#include "DesktopPlanWorld.h"

#include "desktop/DesktopSteps.h"

#include <gtest/gtest.h>


using namespace kp;
using namespace kp::test;
using Step = DesktopCat::Step;
using Kind = DesktopCat::Step::Kind;
using Plan = DesktopCat::Plan;

TEST(DesktopPlanChoiceTest, DutiesComeFirstInTheirOrder) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    const Ledge floor = w.ground();
    cat.pendingBreak = true;
    cat.pendingAsk = PetNeed::hungry;
    cat.queuedTrick = DesktopCat::Trick::meow;
    cat.homeBound = true;
    EXPECT_EQ(cat.choosePlan(w.clock.now(), floor).back().kind, Kind::intoNotch);
    EXPECT_TRUE(cat.pendingBreak);

    cat.homeBound = false;
    EXPECT_EQ(cat.choosePlan(w.clock.now(), floor), (Plan{Step::hop(-3, 720), Step::plea(150)}));
    EXPECT_FALSE(cat.pendingBreak);
    ASSERT_TRUE(cat.breakSpotPoint);
    EXPECT_EQ(*cat.breakSpotPoint, QPointF(720, 495));
    const Ledge perch = cat.terrain.ledges.back();
    EXPECT_EQ(perch.window, -3);
    EXPECT_DOUBLE_EQ(perch.y, 495);
    EXPECT_DOUBLE_EQ(perch.x0, 650);
    EXPECT_DOUBLE_EQ(perch.x1, 790);

    EXPECT_EQ(cat.choosePlan(w.clock.now(), floor), (Plan{Step::hop(-3, 720), Step::ask(120)}));
    EXPECT_EQ(cat.asking, PetNeed::hungry);
    EXPECT_FALSE(cat.pendingAsk);

    EXPECT_EQ(cat.choosePlan(w.clock.now(), floor), (Plan{Step::of(Kind::meow), Step::sit(2)}));
    EXPECT_FALSE(cat.queuedTrick);
}

// ---- Builders ----

TEST(DesktopPlanBuildersTest, TheWayHomeClimbsOneLedgeAtATime) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 200);
    // 878 below the notch, nothing to climb: run along and go straight in.
    EXPECT_EQ(cat.homePlan(w.ground()), (Plan{Step::walk(720, true), Step::of(Kind::intoNotch)}));

    DesktopPlanWorld v;
    v.addWindow(2, QRectF(100, 700, 300, 150));   // 200 up, far from the middle
    v.addWindow(3, QRectF(600, 620, 500, 230));   // 280 up, near the middle
    v.addWindow(4, QRectF(700, 500, 300, 100));   // 400 up: too high
    auto& c2 = v.make(0, 200);
    EXPECT_EQ(c2.homePlan(v.ground()), Plan{Step::hop(3, 720)});
    // On a ledge no wider than 2 x reach the walk goes to its middle.
    const Ledge narrow{-3, 100, 100, 140};
    c2.feet = QPointF(120, 100);
    EXPECT_EQ(c2.homePlan(narrow), (Plan{Step::walk(120, true), Step::of(Kind::intoNotch)}));
}

// Another application comes to the front: a moment later the cat hops onto its window, sits there
// a few seconds, grooms, and goes on with its day.
TEST(DesktopReactionTest, AfterTheHopOntoTheAppInFrontTheCatSitsAFewSecondsAndGrooms) {
    DesktopPlanWorld w;
    ScriptedRandom middle{0.5};
    w.random = &middle;
    w.addWindow(2, QRectF(300, 400, 600, 300), 5151);
    DesktopCat& cat = w.make(0, 700);
    cat.plan = {Step::sit(60)};
    cat.pendingApp = DesktopCat::PendingApp{5151, w.clock.now()};
    // When each stretch began: on the window, then grooming, then whatever comes next.
    std::optional<double> landed, groomed, after;
    for (int i = 0; i < 60 * 120 && !after; ++i) {
        w.clock.advance(1.0 / 60);
        cat.tick(w.clock.now());
        const double now = w.clock.now();
        const auto step = cat.currentStep();
        if (!landed && cat.window == 2 && !cat.flight && !cat.falling) landed = now;
        if (landed && !groomed && step == Kind::groom) groomed = now;
        if (groomed && step != Kind::groom) after = now;
        if (landed && !groomed && now > *landed) {
            ASSERT_EQ(cat.pose, DesktopCat::Pose::sit) << now - *landed << " s after landing";
            ASSERT_EQ(cat.feet.y(), 400);
        }
    }
    ASSERT_TRUE(landed) << "the cat hopped onto the window in front";
    ASSERT_TRUE(groomed) << "the cat went on to groom";
    ASSERT_TRUE(after) << "the cat went on from grooming";
    EXPECT_GE(*groomed - *landed, 3);
    EXPECT_LE(*groomed - *landed, 5.1);
    EXPECT_NEAR(*after - *groomed, 2, 0.1);
}
