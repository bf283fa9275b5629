#include "DesktopPlanWorld.h"

#include "desktop/DesktopSteps.h"

#include <gtest/gtest.h>

#include <map>

#include <cmath>

using namespace kp;
using namespace kp::test;
using Step = DesktopCat::Step;
using Kind = DesktopCat::Step::Kind;
using Plan = DesktopCat::Plan;
using Pose = DesktopCat::Pose;

// ---- Reactions ----

TEST(DesktopReactionTest, MusicStartsAVibeOnlyWhenTheCatCanBeInterrupted) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    cat.plan = {Step::of(Kind::meow), Step::sit(2)};
    w.media = MediaWatcher::Playing::music();
    const double now = w.clock.now();
    cat.react(now);
    EXPECT_EQ(cat.lastMedia, MediaWatcher::Playing::music());  // consumed all the same
    EXPECT_EQ(cat.plan.front().kind, Kind::meow);
    // The same music next frame is no change.
    cat.plan = {Step::sit(3)};
    cat.react(now + 0.1);
    EXPECT_EQ(cat.plan, Plan{Step::sit(3)});

    // Silence, then music again on an idle cat: vibe.
    w.media = MediaWatcher::Playing::nothing();
    cat.react(now + 0.2);
    EXPECT_EQ(cat.plan, Plan{Step::sit(3)});
    w.media = MediaWatcher::Playing::music();
    cat.react(now + 0.3);
    ASSERT_EQ(cat.plan.size(), 2u);
    EXPECT_EQ(cat.plan[0].kind, Kind::vibe);
    EXPECT_GE(cat.plan[0].length, 18);
    EXPECT_LE(cat.plan[0].length, 35);
    EXPECT_DOUBLE_EQ(cat.lastVibe, now + 0.3);
    EXPECT_DOUBLE_EQ(cat.stepStarted, now + 0.3);

    // Within 20 s of that vibe another start does nothing.
    w.media = MediaWatcher::Playing::nothing();
    cat.react(now + 1);
    w.media = MediaWatcher::Playing::music();
    cat.plan = {Step::sit(3)};
    cat.react(now + 19);
    EXPECT_EQ(cat.plan, Plan{Step::sit(3)});
}

TEST(DesktopReactionTest, AVideoSendsTheCatToWatchUnlessItWatchesAlready) {
    DesktopPlanWorld w;
    w.addWindow(10, QRectF(100, 100, 700, 500), 111);
    w.addWindow(11, QRectF(850, 100, 500, 400), 222);
    auto& cat = w.make(0, 700);
    const double now = w.clock.now();
    cat.plan = {Step::watch(30), Step::sit(1.5)};
    w.media = MediaWatcher::Playing::video(222);
    cat.react(now);
    EXPECT_EQ(cat.plan.front(), Step::watch(30));

    // Another player is a change; now the cat goes to that player's window.
    cat.plan = {Step::sit(3)};
    w.media = MediaWatcher::Playing::video(111);
    cat.react(now + 1);
    ASSERT_EQ(cat.plan.size(), 3u);
    EXPECT_EQ(cat.plan[0].ground, -4);
    EXPECT_EQ(cat.watchWindow, 10);
    EXPECT_GE(cat.plan[1].length, 60);
    EXPECT_LE(cat.plan[1].length, 120);
    EXPECT_DOUBLE_EQ(cat.lastWatchVideo, now + 1);
}

TEST(DesktopReactionTest, OnlyAFastPointerCloseByTriggersAPounce) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    const double now = w.clock.now();
    const QPointF head = cat.headPoint();
    cat.plan = {Step::sit(5)};
    cat.mouse = head + QPointF(100, 0);
    cat.mouseSpeed = 1100;
    cat.react(now);
    EXPECT_EQ(cat.plan, Plan{Step::sit(5)});
    cat.mouseSpeed = 1101;
    cat.mouse = head + QPointF(240, 0);
    cat.react(now);
    EXPECT_EQ(cat.plan, Plan{Step::sit(5)});
    cat.mouse = QPointF(cat.feet.x() + 50, cat.feet.y() + 30);  // 30 below the feet
    cat.react(now);
    EXPECT_EQ(cat.plan, Plan{Step::sit(5)});
    cat.mouse = head + QPointF(100, 0);
    cat.react(now);
    EXPECT_EQ(cat.plan, (Plan{Step::of(Kind::pounce), Step::sit(2)}));
    // Six seconds of rest before the next.
    cat.plan = {Step::sit(5)};
    cat.react(now + 6);
    EXPECT_EQ(cat.plan, Plan{Step::sit(5)});
    cat.react(now + 6.01);
    EXPECT_EQ(cat.plan.front().kind, Kind::pounce);
}

TEST(DesktopReactionTest, AnActivatedAppIsHoppedOntoAfterAMoment) {
    DesktopPlanWorld w;
    ScriptedRandom low({0.1});
    w.random = &low;
    w.addWindow(10, QRectF(100, 500, 700, 300), 111);
    auto& cat = w.make(0, 600);
    // A narrow leftover piece of another app's window.
    cat.terrain.ledges.push_back(Ledge{11, 600, 900, 950});
    cat.terrain.owners[11] = 222;
    cat.terrain.order.push_back(11);
    const double now = w.clock.now();
    cat.plan = {Step::sit(5)};
    // Two activations in quick succession: only the later one counts.
    cat.pendingApp = DesktopCat::PendingApp{222, now};
    cat.react(now + 0.2);
    EXPECT_TRUE(cat.pendingApp);
    cat.pendingApp = DesktopCat::PendingApp{111, now + 0.25};
    cat.react(now + 0.5);
    EXPECT_TRUE(cat.pendingApp);
    cat.react(now + 0.61);
    EXPECT_FALSE(cat.pendingApp);
    ASSERT_EQ(cat.plan.size(), 3u);
    // x = 600 - 120 + 240 x 0.1, inside the ledge.
    EXPECT_EQ(cat.plan[0], Step::hop(10, 504));
    EXPECT_EQ(cat.plan[2], Step::groom(2));
    EXPECT_DOUBLE_EQ(cat.lastAppHop, now + 0.61);

    // The narrow window's app: its middle. 15 s cooldown first.
    cat.plan = {Step::sit(5)};
    cat.pendingApp = DesktopCat::PendingApp{222, now + 10};
    cat.react(now + 11);
    EXPECT_EQ(cat.plan, Plan{Step::sit(5)});
    cat.pendingApp = DesktopCat::PendingApp{222, now + 20};
    cat.react(now + 21);
    EXPECT_EQ(cat.plan.front(), Step::hop(11, 925));

    // The app whose window the cat stands on: dropped without a hop.
    w.standOn(10, 400);
    cat.plan = {Step::sit(5)};
    cat.pendingApp = DesktopCat::PendingApp{111, now + 40};
    cat.react(now + 41);
    EXPECT_FALSE(cat.pendingApp);
    EXPECT_EQ(cat.plan, Plan{Step::sit(5)});
}

// ---- Face, gaze and plea lines ----

TEST(DesktopFaceTest, ExpressionRulesInOrder) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    const double now = w.clock.now();
    EXPECT_EQ(cat.expression(now), CatExpression::content);
    cat.isDragged = true;
    cat.lovedUntil = now + 1;
    EXPECT_EQ(cat.expression(now), CatExpression::surprised);
    cat.pose = Pose::sleep;
    EXPECT_EQ(cat.expression(now), CatExpression::asleep);  // the sleep pose wins over being held
    cat.pose = Pose::sit;
    cat.isDragged = false;
    EXPECT_EQ(cat.expression(now), CatExpression::love);
    cat.grumpyUntil = now + 1;
    EXPECT_EQ(cat.expression(now), CatExpression::grumpy);
    cat.grumpyUntil = cat.lovedUntil = now - 1;
    cat.plan = {Step::plea(10)};
    EXPECT_EQ(cat.expression(now), CatExpression::meow);
    cat.plan = {Step::of(Kind::chase)};
    EXPECT_EQ(cat.expression(now), CatExpression::happy);
    cat.plan = {Step::sit(2)};
    cat.asking = PetNeed::hungry;
    EXPECT_EQ(cat.expression(now), CatExpression::sad);
    cat.meowUntil = now + 0.5;
    EXPECT_EQ(cat.expression(now), CatExpression::meow);
    cat.asking.reset();
    EXPECT_EQ(cat.expression(now), CatExpression::meow);  // a meow without an ask
    cat.meowUntil = now - 1;
    cat.vibing = true;
    EXPECT_EQ(cat.expression(now), CatExpression::happy);
    cat.vibing = false;
    cat.pose = Pose::groom;
    EXPECT_EQ(cat.expression(now), CatExpression::happy);
    cat.pose = Pose::sit;

    // By the pet's mood: hungry looks sad, a sleeping pet out of the sleep pose content.
    w.life->setHunger(90);
    w.life->updateMood();
    EXPECT_EQ(cat.expression(now), CatExpression::sad);
    w.life->setHunger(0);
    w.life->setHealth(20);
    w.life->updateMood();
    EXPECT_EQ(cat.expression(now), CatExpression::sick);
    w.life->setHealth(100);
    w.life->setSleeping(true);
    w.life->updateMood();
    EXPECT_EQ(cat.expression(now), CatExpression::content);
}

TEST(DesktopFaceTest, TheEyesFollowThePointerForFourSecondsAndAFallingMug) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    const double now = w.clock.now();
    const QPointF head = cat.headPoint();
    cat.mouse = head + QPointF(220, 0);
    cat.mouseMovedAt = now - 3.9;
    EXPECT_NEAR(cat.eyeLook(now).x(), std::tanh(1.0), 1e-12);
    EXPECT_NEAR(cat.eyeLook(now).x(), 0.76, 0.01);
    EXPECT_DOUBLE_EQ(cat.eyeLook(now).y(), 0);
    cat.mouseMovedAt = now - 4;
    EXPECT_EQ(cat.eyeLook(now), QPointF(0, 0));

    cat.mouseMovedAt = now;
    DesktopCat::Cup mug;
    mug.p = head + QPointF(-180 * 0.5, 180);
    cat.cup = mug;
    EXPECT_NEAR(cat.eyeLook(now).x(), std::tanh(1.0), 1e-12);  // a resting mug draws nothing
    cat.cup->falling = true;
    EXPECT_NEAR(cat.eyeLook(now).x(), std::tanh(-90.0 / 220), 1e-12);
    EXPECT_NEAR(cat.eyeLook(now).y(), std::tanh(1.0), 1e-12);
    cat.pose = Pose::stare;
    EXPECT_EQ(cat.eyeLook(now), QPointF(0, 0));
}

TEST(DesktopFaceTest, NeedLines) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    const std::map<PetNeed, QStringList> lines = {
        {PetNeed::hungry, {"food?", "I'm hungry…", "dinner?", "my bowl…"}},
        {PetNeed::sick, {"I don't feel well…", "help?", "ouch…"}},
        {PetNeed::dirty, {"the box…", "clean it?", "ew."}}};
    for (const auto& [need, list] : lines) {
        QSet<QString> seen;
        for (int i = 0; i < 80; ++i) {
            const QString s = cat.needLine(need);
            EXPECT_TRUE(list.contains(s)) << qPrintable(s);
            seen.insert(s);
        }
        EXPECT_EQ(seen.size(), list.size());
    }
    EXPECT_EQ(cat.needLine(PetNeed::sad), "mrrp?");
    EXPECT_EQ(cat.needLine(PetNeed::dead), "mrrp?");
}
