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
