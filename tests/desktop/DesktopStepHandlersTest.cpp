#include "DesktopPlanWorld.h"

#include "desktop/DesktopSteps.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kp;
using namespace kp::test;
using Step = DesktopCat::Step;
using Kind = DesktopCat::Step::Kind;
using Pose = DesktopCat::Pose;

// ---- Attention and social steps ----

TEST(DesktopStepHandlersTest, PleaSpeaksEverySevenSecondsAndEndsWhenTheUserRests) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    cat.plan = {Step::plea(150)};
    w.frame();
    ASSERT_EQ(cat.pops.size(), 1u);  // the first plea speaks at once
    EXPECT_TRUE(cat.pops[0].text == "break time?" || cat.pops[0].text == "stretch?");
    EXPECT_EQ(cat.pose, Pose::lie);
    w.run(6.9, 0.1);
    EXPECT_EQ(cat.pops.size(), 1u);
    w.run(0.3, 0.1);
    EXPECT_EQ(cat.pops.size(), 2u);

    // Idle for more than 15 s: the break is taken, a heart, and down to the floor (no Dock).
    w.idle.set(15.5);
    w.frame();
    EXPECT_EQ(cat.plan, (DesktopCat::Plan{Step::loaf(2), Step::hop(0, 700)}));
    EXPECT_TRUE(cat.breakOver);
    EXPECT_EQ(cat.pops.back().kind, DesktopCat::Pop::Kind::heart);
    EXPECT_GT(cat.lovedUntil, w.clock.now() + 1.9);
}

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

TEST(DesktopStepHandlersTest, AnAskRunningOutOfTimeLeavesAfterItsStep) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    w.life->setNeed(PetNeed::dirty);
    cat.asking = PetNeed::dirty;
    cat.plan = {Step::ask(2), Step::sit(3)};
    w.run(2.1);
    EXPECT_TRUE(cat.homeBound);
    EXPECT_FALSE(cat.asking);
    EXPECT_EQ(cat.plan, DesktopCat::Plan{Step::ask(2)});  // only the current step stays
    w.frame();  // the ask without a need ends at once
    EXPECT_TRUE(cat.plan.empty());
}

TEST(DesktopStepHandlersTest, FollowHopsToAWindowUnderARestingPointer) {
    for (double above : {100.0, 120.0}) {
        DesktopPlanWorld w;
        w.addWindow(3, QRectF(300, 600, 500, 250));
        auto& cat = w.make(0, 900);
        cat.mouse = QPointF(500, 600 - above);
        cat.mouseMovedAt = w.clock.now();
        cat.plan = {Step::follow(10)};
        w.run(0.8);
        if (above < 110) {
            ASSERT_EQ(cat.plan.size(), 2u);
            EXPECT_EQ(cat.plan[0], Step::hop(3, 500));
            EXPECT_EQ(cat.plan[1].kind, Kind::follow);
            EXPECT_NEAR(cat.plan[1].length, 10 - 0.7, 0.05);
        } else {
            EXPECT_EQ(cat.plan.front().kind, Kind::follow);
        }
    }
}

TEST(DesktopStepHandlersTest, FollowLeavesAtLeastTwoSecondsAfterAHop) {
    DesktopPlanWorld w;
    w.addWindow(3, QRectF(300, 600, 500, 250));
    auto& cat = w.make(0, 900);
    cat.mouse = QPointF(500, 550);
    cat.mouseMovedAt = w.clock.now() + 1.5;  // moved while the follow ran
    cat.plan = {Step::follow(2.6)};
    w.run(2.5);
    ASSERT_EQ(cat.plan.size(), 2u);
    EXPECT_EQ(cat.plan[1], Step::follow(2));
}

TEST(DesktopStepHandlersTest, FollowWalksRunsAndSwats) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    cat.mouseMovedAt = w.clock.now();
    cat.mouse = QPointF(1000, 880);
    cat.plan = {Step::follow(10)};
    w.frame(0.05);
    EXPECT_EQ(cat.pose, Pose::run);
    EXPECT_NEAR(cat.feet.x(), 700 + 10.5, 1e-9);
    cat.mouse = QPointF(800, 880);
    w.frame(0.05);
    EXPECT_EQ(cat.pose, Pose::walk);
    // Close by and moving near the head: a swat.
    cat.feet.setX(790);
    cat.mouse = cat.headPoint() + QPointF(0, 10);
    cat.mouseMovedAt = w.clock.now();
    w.frame(0.05);
    EXPECT_EQ(cat.pose, Pose::swat);
    w.run(0.7, 0.05);
    EXPECT_EQ(cat.pose, Pose::sit);
    // A pointer at rest for more than 3 s ends the follow.
    w.run(2.5, 0.05);
    EXPECT_TRUE(cat.plan.empty());
}

TEST(DesktopStepHandlersTest, ChaseClimbsAtMost360Points) {
    for (double up : {350.0, 370.0}) {
        DesktopPlanWorld w;
        w.addWindow(4, QRectF(200, 900 - up, 800, 200));
        auto& cat = w.make(0, 600);
        cat.userDragging = true;
        cat.mouse = QPointF(600, 900 - up - 50);
        cat.plan = {Step::of(Kind::chase)};
        w.frame();
        if (up < 360) {
            EXPECT_EQ(cat.plan, (DesktopCat::Plan{Step::hop(4, 600), Step::of(Kind::chase)}));
        } else {
            EXPECT_EQ(cat.plan, DesktopCat::Plan{Step::of(Kind::chase)});
            EXPECT_EQ(cat.pose, Pose::sit);  // already under the pointer
        }
    }
    DesktopPlanWorld w;
    auto& cat = w.make(0, 600);
    cat.plan = {Step::of(Kind::chase)};
    w.frame();
    EXPECT_TRUE(cat.plan.empty());  // no drag, no chase
}

TEST(DesktopStepHandlersTest, AVideoHoldsAWatchFor240Seconds) {
    DesktopPlanWorld w;
    w.addWindow(6, QRectF(200, 200, 800, 500));
    auto& cat = w.make(0, 700);
    w.media = MediaWatcher::Playing::video(4000);
    DesktopCat::Plan watch = cat.watchPlan(6, 60);
    ASSERT_EQ(watch.size(), 3u);
    watch.erase(watch.begin());  // on the perch already
    w.standOn(-4, 600);
    w.plan(watch);
    w.run(200, 0.05);
    EXPECT_EQ(cat.plan.front().kind, Kind::watch);
    EXPECT_EQ(cat.pose, Pose::back);
    EXPECT_FALSE(cat.pops.empty());
    for (const auto& p : cat.pops) EXPECT_TRUE(QStringList({"!", "ooh", "?", "!!"}).contains(p.text));
    w.run(41, 0.05);
    EXPECT_EQ(cat.plan.front(), Step::sit(1.5));
    EXPECT_TRUE(cat.watchOver);
    EXPECT_EQ(cat.backTilt, 0);

    // Without a video the planned time holds, and a closed window ends the watch at once.
    w.plan({Step::watch(5), Step::sit(1.5)});
    w.media = MediaWatcher::Playing::nothing();
    w.run(4, 0.05);
    EXPECT_EQ(cat.plan.front().kind, Kind::watch);
    cat.watchWindow.reset();
    w.frame();
    EXPECT_EQ(cat.plan.front(), Step::sit(1.5));
}

// ---- Play and mischief ----

TEST(DesktopStepHandlersTest, PeekHidesLeansOutBobsAndSaysBoo) {
    DesktopPlanWorld w;
    w.addWindow(2, QRectF(300, 400, 600, 300));
    auto& cat = w.make(2, 600);
    cat.plan = {Step::peek(4), Step::sit(2)};
    const auto depthAt = [&](double t) {
        w.clock.setNow(cat.stepStarted + t);
        cat.runStep(w.clock.now(), 0.01, w.ground());
        return cat.peekDepth;
    };
    EXPECT_NEAR(depthAt(0.175), 0.5, 1e-5);
    EXPECT_DOUBLE_EQ(depthAt(0.5), 1);
    EXPECT_DOUBLE_EQ(depthAt(1.4), 1);
    EXPECT_NEAR(depthAt(1.9 - 1e-9), 0.55, 1e-6);
    EXPECT_NEAR(depthAt(3.0), 0.55 + 0.04 * std::sin(9.0), 1e-5);
    EXPECT_NEAR(depthAt(3.7), 0.55 * 0.5, 1e-5);
    EXPECT_DOUBLE_EQ(*cat.peekLine, 400);
    depthAt(4.0);
    EXPECT_FALSE(cat.peekLine);
    EXPECT_EQ(cat.pops.back().text, "boo!");
    EXPECT_EQ(cat.plan.front(), Step::sit(2));

    // On the floor there is no edge: skipped without a boo.
    w.standOn(0, 700);
    cat.pops.clear();
    cat.plan = {Step::peek(4), Step::sit(2)};
    w.frame();
    EXPECT_TRUE(cat.pops.empty());
    EXPECT_EQ(cat.plan.front(), Step::sit(2));
}

TEST(DesktopStepHandlersTest, APounceNearTheScreenEdgeLandsTwentyIn) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 300);
    cat.mouse = QPointF(5, 700);
    cat.plan = {Step::of(Kind::pounce), Step::sit(2)};
    w.run(0.3);
    EXPECT_TRUE(cat.wiggle);
    EXPECT_FALSE(cat.facingRight);
    w.run(0.15);
    ASSERT_TRUE(cat.flight);
    EXPECT_DOUBLE_EQ(cat.flight->to.x(), 20);
    EXPECT_DOUBLE_EQ(cat.flight->to.y(), 700);
    EXPECT_EQ(cat.flight->window, -9);  // over no ledge: a fall from there
}

TEST(DesktopStepHandlersTest, AGiftForAPointerFarAboveIsDroppedOnTheSpot) {
    DesktopPlanWorld w;
    w.addWindow(8, QRectF(100, 800, 300, 100));
    w.addWindow(9, QRectF(800, 300, 400, 200));  // 500 above the cat's window
    auto& cat = w.make(8, 250);
    cat.gift = DesktopCat::Gift{cat.feet, 8, true, std::nullopt};
    cat.mouse = QPointF(1000, 280);
    cat.plan = {Step::of(Kind::bringGift), Step::sit(3)};
    w.frame();
    EXPECT_EQ(cat.plan, (DesktopCat::Plan{Step::of(Kind::dropGift), Step::sit(3)}));

    // A pointer over the same ground: walk to 24 x 1.45 short of it, then drop.
    cat.mouse = QPointF(350, 780);
    cat.plan = {Step::of(Kind::bringGift), Step::sit(3)};
    w.frame();
    EXPECT_EQ(cat.plan[0], Step::walk(350 - 24 * 1.45, false));
    EXPECT_EQ(cat.plan[1].kind, Kind::dropGift);
}

TEST(DesktopStepHandlersTest, TheToySlowsAndBouncesOffTheEnds) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    cat.plan = {Step::playAlone(30)};
    cat.nextSwat = w.clock.now() + 100;  // no swats
    w.frame(0.05);
    ASSERT_TRUE(cat.toy);
    EXPECT_DOUBLE_EQ(cat.toy->x(), 700 + (cat.facingRight ? 1 : -1) * 24 * 1.45);
    cat.toy = QPointF(300, 900);
    cat.toyVX = 300;
    w.run(1.0, 0.05);
    EXPECT_NEAR(cat.toyVX, 24, 0.01);
    // Sliding into the right end: back with 60 % of its speed.
    const Ledge floor = w.ground();
    cat.toy = QPointF(floor.x1 - 7, floor.y);
    cat.toyVX = 100;
    w.frame(0.05);
    EXPECT_DOUBLE_EQ(cat.toy->x(), floor.x1 - 6);
    EXPECT_NEAR(cat.toyVX, -0.6 * 100 * std::pow(0.08, 0.05), 1e-9);
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
