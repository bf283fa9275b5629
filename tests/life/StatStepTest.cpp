#include "PetLifeSupport.h"

#include <gtest/gtest.h>

using namespace kp;
using kp::test::CatWorld;
using A = kp::PetLifeTestAccess;

namespace {
constexpr double r = 100.0 / 1800.0;  // default drain per second

std::unique_ptr<PetLife> restedNapper(CatWorld& w) {
    auto cat = w.make();
    cat->setEnergy(95);
    cat->setSleeping(true);
    return cat;
}
}  // namespace

TEST(StatStep, AwakeItHungersAndTiresAsleepItOnlyRestsAndTheClockNeverJumpsItsStats) {
    CatWorld w;
    auto cat = w.make();
    w.step(*cat);
    EXPECT_DOUBLE_EQ(cat->hunger(), 40 + r);
    EXPECT_DOUBLE_EQ(cat->energy(), 80 - 0.7 * r);
    cat->setSleeping(true);
    w.step(*cat);
    EXPECT_DOUBLE_EQ(cat->hunger(), 40 + r);
    cat->setSleeping(false);

    // Ten seconds the machine slept through (or the app stalled) are lived all the same. A clock set
    // back or forward is no time: nothing drains, the cat's time goes on from where it was, and so
    // do the saves.
    const double hunger = cat->hunger();
    w.step(*cat, 10);
    EXPECT_DOUBLE_EQ(cat->hunger(), hunger + 10 * r);
    const double lived = cat->catTime();
    w.step(*cat, -3600);
    EXPECT_DOUBLE_EQ(cat->hunger(), hunger + 10 * r);
    EXPECT_NEAR(cat->catTime(), lived, 1e-6);
    w.clock.setNow(w.clock.now() + 2 * 86400);
    w.step(*cat, 0);
    EXPECT_DOUBLE_EQ(cat->hunger(), hunger + 10 * r);
    EXPECT_NEAR(cat->catTime(), lived, 1e-6);
    for (int i = 0; i < 16; ++i) w.step(*cat);
    ASSERT_TRUE(w.readRecord());
    EXPECT_GT(w.readRecord()->savedAt, lived);
    EXPECT_LE(w.readRecord()->savedAt, cat->catTime());
}

TEST(StatStep, ANeedShowsOnTheFaceAndIsAnnouncedOnceThenAgainAfterTenMinutes) {
    CatWorld w;
    auto cat = w.make();
    cat->setHunger(75);
    w.step(*cat);
    EXPECT_EQ(w.alerts, 1);
    EXPECT_EQ(w.faces.back(), BotState::grumpy);
    for (int i = 0; i < 600; ++i) w.step(*cat);
    EXPECT_EQ(w.alerts, 1);
    w.step(*cat);
    EXPECT_EQ(w.alerts, 2);
    // A different need is announced at once.
    cat->setHunger(10);
    cat->setPoops(2);
    w.step(*cat);
    EXPECT_EQ(cat->need(), PetNeed::dirty);
    EXPECT_EQ(w.alerts, 3);
}

TEST(StatStep, ZeroHealthKillsAfterTheGraceTimeAndTheDeadCatStandsStill) {
    CatWorld w;
    auto cat = w.make();
    cat->setHunger(0);
    cat->setHealth(0);
    for (int i = 0; i < 100; ++i) w.step(*cat);
    cat->setHealth(1);  // a moment above zero starts the count again
    w.step(*cat);
    cat->setHealth(0);
    w.step(*cat);
    for (int i = 0; i < 179; ++i) w.step(*cat);
    EXPECT_FALSE(cat->isDead());
    const std::size_t mews = w.count(PetSound::mew);
    w.step(*cat);
    ASSERT_TRUE(cat->isDead());
    EXPECT_EQ(w.faces.back(), BotState::dead);
    EXPECT_EQ(w.count(PetSound::mew), mews) << "announced without a mew";
    EXPECT_TRUE(w.readRecord()->isDead);
    const double hunger = cat->hunger();
    w.step(*cat, 60);
    EXPECT_DOUBLE_EQ(cat->hunger(), hunger);
}

TEST(StatStep, ARestedNapperWakesByTheDrawUnlessInAFocusNap) {
    CatWorld w;
    ScriptedRandom happy{0.1};
    w.random = &happy;
    auto cat = restedNapper(w);
    w.step(*cat);
    EXPECT_FALSE(cat->isSleeping());
    EXPECT_EQ(cat->pose(), PetPose::stretching);
    EXPECT_EQ(w.count(PetSound::trill), 1u);

    // Storming: it goes to sulk in another room, growling.
    CatWorld s;
    ScriptedRandom storm{0.95, 0.0};
    s.random = &storm;
    auto stormy = restedNapper(s);
    s.step(*stormy);
    EXPECT_EQ(stormy->errand(), PetErrand::sulk);
    EXPECT_EQ(stormy->sulkRoom(), IslandRoomKind::living);
    EXPECT_EQ(s.count(PetSound::growl), 1u);

    CatWorld f;
    auto focused = restedNapper(f);
    A::setFocusNap(*focused, true);
    for (int i = 0; i < 10; ++i) f.step(*focused);
    EXPECT_TRUE(focused->isSleeping()) << "a focus nap lasts the round";
}

TEST(StatStep, ABedroomNapAtNightBecomesTheNightsSleepOncePerNight) {
    CatWorld w;
    ScriptedRandom draws{0.5, 0.25};
    w.random = &draws;
    w.clock.setNow(test::localMoment(2026, 3, 2, 23));
    w.sky = {SkyTime::night, SkyWeather::clear};
    auto cat = w.make();
    A::setRoom(*cat, IslandRoomKind::kitchen);
    cat->setSleeping(true);
    w.step(*cat);
    EXPECT_EQ(cat->nightSleepUntil(), std::nullopt) << "not in the bedroom";

    A::setRoom(*cat, IslandRoomKind::bedroom);
    A::setViewRoom(*cat, IslandRoomKind::kitchen);
    cat->setEnergy(100);
    w.step(*cat);
    ASSERT_TRUE(cat->nightSleepUntil());
    EXPECT_DOUBLE_EQ(*cat->nightSleepUntil(), w.clock.now() + 60 * 60);  // 50 + 20 x 0.5 minutes
    // A full energy bar does not end it; the end of the night does, and it comes to the room on view.
    w.step(*cat, 3599);
    EXPECT_TRUE(cat->isSleeping());
    w.step(*cat, 1);
    EXPECT_FALSE(cat->isSleeping());
    EXPECT_TRUE(cat->arrivalDue());
    // No second night's sleep before the next noon; the next evening is a new night.
    EXPECT_FALSE(cat->isBedtime());
    w.clock.setNow(test::localMoment(2026, 3, 3, 22));
    EXPECT_TRUE(cat->isBedtime());
}

TEST(StatStep, RainIsHeardFullInTheGardenSoftlyIndoorsAndNotAtAllOutOfView) {
    CatWorld w;
    auto cat = w.make();
    test::FakeAmbience amb;
    cat->setAmbience(&amb);
    cat->setWatched(true);
    w.sky = {SkyTime::day, SkyWeather::rain};
    A::setViewRoom(*cat, IslandRoomKind::garden);
    w.step(*cat);
    EXPECT_FLOAT_EQ(amb.levels[AmbienceBed::rain], 1.0f);
    A::setViewRoom(*cat, IslandRoomKind::living);
    w.step(*cat);
    EXPECT_FLOAT_EQ(amb.levels[AmbienceBed::rain], 0.2f);
    cat->setWatched(false);
    w.step(*cat);
    EXPECT_TRUE(amb.levels.empty());
}

TEST(StatStep, TheTvIsHeardOnlyWhileTheCatWatchesItInTheLivingRoomOnView) {
    CatWorld w;
    auto cat = w.make();
    test::FakeAmbience amb;
    cat->setAmbience(&amb);
    cat->setWatched(true);
    A::setRoom(*cat, IslandRoomKind::living);
    A::setViewRoom(*cat, IslandRoomKind::living);
    w.step(*cat);
    EXPECT_FLOAT_EQ(amb.levels[AmbienceBed::fire], 1.0f);
    EXPECT_EQ(amb.levels[AmbienceBed::tv], 0.0f) << "sitting, not watching";
    cat->send(PetErrand::watchTV);
    for (int i = 0; i < 300 && cat->pose() != PetPose::watching; ++i) {
        w.clock.advance(1.0 / 30);
        cat->motionStep();
    }
    ASSERT_EQ(cat->pose(), PetPose::watching);
    w.step(*cat, 0);
    EXPECT_FLOAT_EQ(amb.levels[AmbienceBed::tv], 1.0f);
    A::setOut(*cat, true);
    w.step(*cat, 0);
    EXPECT_EQ(amb.levels[AmbienceBed::tv], 0.0f) << "the cat is out on the desktop";
}
