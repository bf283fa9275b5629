#include "DesktopPlanWorld.h"

#include "desktop/DesktopSteps.h"
#include "desktop/KeyboardWalk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kp;
using namespace kp::test;
using Step = DesktopCat::Step;
using Kind = DesktopCat::Step::Kind;
using Pose = DesktopCat::Pose;

TEST(DesktopStepRunnerTest, AnEmptyChoiceLeavesTheCatAsItIs) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    // A queued break yields an empty plan; the break follows at the next choice.
    cat.queuedTrick = DesktopCat::Trick::breakTime;
    const QPointF feet = cat.feet;
    w.frame();
    EXPECT_TRUE(cat.plan.empty());
    EXPECT_TRUE(cat.pendingBreak);
    EXPECT_EQ(cat.feet, feet);
    EXPECT_EQ(cat.pose, Pose::stand);
    w.frame();
    ASSERT_EQ(cat.plan.size(), 2u);
    EXPECT_EQ(cat.plan[0], Step::hop(-3, 720));
    EXPECT_EQ(cat.plan[1], Step::plea(150));
}

TEST(DesktopStepRunnerTest, WalksStopInsideTheGroundAndArriveExactly) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    const Ledge floor = w.ground();
    const double m = 16 * 1.45;
    cat.plan = {Step::walk(floor.x1 + 500, true), Step::sit(5)};
    w.frame(0.05);
    EXPECT_DOUBLE_EQ(cat.feet.x(), 710);  // 200 points a second running
    EXPECT_EQ(cat.pose, Pose::run);
    EXPECT_TRUE(cat.facingRight);
    for (int i = 0; i < 200 && cat.plan.size() == 2; ++i) w.frame(0.05);
    EXPECT_DOUBLE_EQ(cat.feet.x(), floor.x1 - m);
    EXPECT_EQ(cat.pose, Pose::stand);
    EXPECT_EQ(cat.plan.front(), Step::sit(5));

    // Walking pace is 78 points a second.
    w.plan({Step::walk(600, false)});
    w.frame(0.05);
    EXPECT_NEAR(cat.feet.x(), floor.x1 - m - 3.9, 1e-9);
    EXPECT_FALSE(cat.facingRight);
}

TEST(DesktopStepRunnerTest, ANarrowGroundIsWalkedToItsMiddle) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    const Ledge narrow{-3, 400, 600, 630};
    cat.terrain.ledges.push_back(narrow);
    cat.window = -3;
    cat.feet = QPointF(605, 400);
    cat.plan = {Step::walk(900, false)};
    for (int i = 0; i < 20 && !cat.plan.empty(); ++i) w.frame(0.05);
    EXPECT_TRUE(cat.plan.empty());
    EXPECT_DOUBLE_EQ(cat.feet.x(), 615);
}

TEST(DesktopStepRunnerTest, HopsCrouchFirstAndSkipMissingGrounds) {
    DesktopPlanWorld w;
    w.addWindow(5, QRectF(200, 300, 600, 400));
    auto& cat = w.make(0, 700);
    cat.plan = {Step::hop(77, 300), Step::sit(2)};
    w.frame();
    EXPECT_EQ(cat.plan.front(), Step::sit(2));  // no ground 77: dropped without a flight
    EXPECT_FALSE(cat.flight);

    cat.plan = {Step::hop(5, 100), Step::sit(2)};
    w.run(0.2);
    EXPECT_EQ(cat.pose, Pose::crouch);
    EXPECT_FALSE(cat.flight);
    w.run(0.05);
    ASSERT_TRUE(cat.flight);
    // Landing kept the margin inside the window's left end.
    EXPECT_DOUBLE_EQ(cat.flight->to.x(), 200 + 16 * 1.45);
    EXPECT_DOUBLE_EQ(cat.flight->to.y(), 300);
    EXPECT_EQ(cat.flight->window, 5);
}

TEST(DesktopStepRunnerTest, IntoTheNotchAimsAtTheScreensMiddle) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 100);
    cat.plan = {Step::of(Kind::intoNotch)};
    w.run(0.3);
    ASSERT_TRUE(cat.flight);
    EXPECT_TRUE(cat.flight->intoNotch);
    EXPECT_DOUBLE_EQ(cat.flight->to.x(), 720);
    EXPECT_DOUBLE_EQ(cat.flight->to.y(), cat.terrain.menuBottom - 2);
    EXPECT_EQ(w.sounds.back(), PetSound::trill);
}

TEST(DesktopStepRunnerTest, SleepIgnoresWakingInItsFirstSecond) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    w.life->goOut();
    cat.plan = {Step::of(Kind::sleep)};
    w.frame();
    EXPECT_TRUE(w.life->isSleeping());
    EXPECT_EQ(cat.pose, Pose::sleep);
    w.life->setSleeping(false);
    w.run(0.9);
    EXPECT_EQ(cat.plan.front().kind, Kind::sleep);
    w.run(0.2);
    // Woken happily: a heart and a short sit.
    EXPECT_EQ(cat.plan, DesktopCat::Plan{Step::sit(2)});
    EXPECT_FALSE(cat.bellyUp);
    EXPECT_EQ(cat.pops.back().kind, DesktopCat::Pop::Kind::heart);
}

TEST(DesktopStepRunnerTest, BellyUpOnlyWhenForcedOrHappy) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    w.life->goOut();
    const auto nap = [&](double happiness, bool forced) {
        w.life->setSleeping(false);
        w.life->setHappiness(happiness);
        w.standOn(0, 700);
        cat.forceBelly = forced;
        cat.plan = {Step::of(Kind::sleep)};
        w.frame();
        EXPECT_FALSE(cat.forceBelly);
        return cat.bellyUp;
    };
    int happyBellies = 0;
    for (int i = 0; i < 400; ++i) {
        EXPECT_TRUE(nap(10, true));
        EXPECT_FALSE(nap(50, false));
        happyBellies += nap(51, false);
    }
    EXPECT_NEAR(happyBellies / 400.0, 0.35, 0.06);
}

TEST(DesktopStepRunnerTest, VibeStopsWithTheMusicUnlessForced) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    w.media = MediaWatcher::Playing::music();
    cat.plan = {Step::vibe(20), Step::sit(2)};
    w.run(1);
    EXPECT_TRUE(cat.vibing);
    EXPECT_EQ(cat.pose, Pose::sit);
    w.media = MediaWatcher::Playing::nothing();
    w.frame();
    EXPECT_FALSE(cat.vibing);
    EXPECT_EQ(cat.plan.front(), Step::sit(2));

    cat.vibeAnyway = true;
    w.plan({Step::vibe(2), Step::sit(2)});
    w.run(1.5);
    EXPECT_EQ(cat.plan.front().kind, Kind::vibe);
    w.run(0.6);
    EXPECT_EQ(cat.plan.front(), Step::sit(2));
    EXPECT_FALSE(cat.vibeAnyway);
}

TEST(DesktopStepRunnerTest, NotesNameTheTrackOnlyWhenOneIsKnown) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    w.media = MediaWatcher::Playing::music();
    cat.vibeAnyway = true;
    cat.plan = {Step::vibe(400)};
    w.run(300, 0.05);
    ASSERT_GT(cat.pops.size(), 100u);
    for (const auto& p : cat.pops) {
        EXPECT_TRUE(p.text == "♪" || p.text == "♫" || p.text == "♪♪") << p.text.toStdString();
        EXPECT_GE(p.drift, -14);
        EXPECT_LE(p.drift, 14);
    }
    cat.pops.clear();
    w.trackName = QStringLiteral("Purr Song");
    w.run(90, 0.05);
    int titled = 0;
    for (const auto& p : cat.pops) titled += p.text == "♪ Purr Song";
    EXPECT_GT(titled, 0);
    EXPECT_LT(titled, int(cat.pops.size()) / 2);
}

TEST(DesktopStepRunnerTest, MeowSaysOneLineAndSitsOnFor1point2Seconds) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    cat.plan = {Step::of(Kind::meow), Step::sit(3)};
    w.run(0.1);
    ASSERT_EQ(cat.pops.size(), 1u);
    EXPECT_EQ(std::count(w.sounds.begin(), w.sounds.end(), PetSound::meow), 1);
    EXPECT_GT(cat.meowUntil, w.clock.now());
    w.run(1.05);
    EXPECT_EQ(cat.plan.front().kind, Kind::meow);
    w.run(0.1);
    EXPECT_EQ(cat.plan.front(), Step::sit(3));
}

TEST(DesktopStepRunnerTest, RummageFindsAGiftAndDropGiftPutsItDownInFront) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    cat.facingRight = false;
    cat.plan = {Step::rummage(1.4), Step::of(Kind::dropGift)};
    w.run(1.41);
    ASSERT_TRUE(cat.gift);
    EXPECT_TRUE(cat.gift->carried);
    EXPECT_EQ(w.sounds.back(), PetSound::mew);
    w.frame();
    ASSERT_TRUE(cat.gift);
    EXPECT_FALSE(cat.gift->carried);
    EXPECT_DOUBLE_EQ(cat.gift->p.x(), 700 - 22 * 1.45);
    EXPECT_EQ(cat.pops.back().text, "for you!");
    EXPECT_GT(cat.smugUntil, w.clock.now() + 3.9);
    EXPECT_TRUE(cat.plan.empty());
}

TEST(DesktopStepRunnerTest, StompingEndsInAKeyboardWalk) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", tmp.path().toUtf8());
    {
        DesktopPlanWorld w;
        w.store->set("petName", "Miso/Cat");
        auto& cat = w.make(0, 700);
        cat.plan = {Step::of(Kind::stomp), Step::stare(1.6)};
        w.run(1.7);
        EXPECT_EQ(cat.pose, Pose::stomp);
        EXPECT_TRUE(w.opened.empty());
        w.run(0.15);
        EXPECT_EQ(cat.plan.front(), Step::stare(1.6));
        const QString expected = QDir(tmp.path()).filePath("Miso_Cat walked on the keyboard.txt");
        ASSERT_EQ(w.opened, std::vector<QString>{expected});
        QFile f(expected);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_GE(f.size(), 5 * 7);
        EXPECT_NEAR(w.store->doubleValue("desktopLastKeyboard"), w.clock.now() + 978307200.0, 0.2);
        EXPECT_EQ(cat.pops.back().text, "!?");
        EXPECT_EQ(cat.expression(w.clock.now()), CatExpression::surprised);
    }
    if (oldTmp.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTmp);
}
