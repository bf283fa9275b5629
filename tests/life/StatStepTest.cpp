#include "PetLifeSupport.h"

#include "core/Notifications.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

using namespace kp;
using kp::test::CatWorld;
using A = kp::PetLifeTestAccess;

namespace {
constexpr double r = 100.0 / 1800.0;  // default drain per second
}

TEST(StatStep, OneAwakeSecondMovesTheStatsByTheDefaultRates) {
    CatWorld w;
    auto cat = w.make();
    w.step(*cat);
    EXPECT_DOUBLE_EQ(cat->hunger(), 40 + r);
    EXPECT_DOUBLE_EQ(cat->energy(), 80 - 0.7 * r);
    EXPECT_DOUBLE_EQ(cat->happiness(), 70);
    EXPECT_DOUBLE_EQ(cat->health(), 100);

    // Very hungry, unwell and with a dirty box: every extra drain applies, in order.
    cat->setHunger(95);
    cat->setHealth(30);
    cat->setHappiness(60);
    cat->setPoops(2);
    w.step(*cat);
    EXPECT_DOUBLE_EQ(cat->hunger(), 95 + r);
    EXPECT_DOUBLE_EQ(cat->health(), 30 - 0.55 * r);
    EXPECT_DOUBLE_EQ(cat->happiness(), 60 - 0.35 * r - 0.2 * r - 0.3 * r);
}

TEST(StatStep, AsleepAndRestingRates) {
    CatWorld w;
    auto cat = w.make();
    cat->setEnergy(50);
    cat->setSleeping(true);
    w.step(*cat);
    EXPECT_DOUBLE_EQ(cat->energy(), 50 + 4 * r);
    EXPECT_DOUBLE_EQ(cat->hunger(), 40);  // asleep, only energy moves

    cat->setSleeping(false);
    cat->setHealth(50);
    cat->setPose(PetPose::resting);
    w.step(*cat);
    EXPECT_DOUBLE_EQ(cat->health(), 50 + 0.8 * r);
}

TEST(StatStep, RatesScaleWithStatDrainSeconds) {
    CatWorld w;
    w.store->set("statDrainSeconds", 600.0);
    auto cat = w.make();
    w.step(*cat);
    EXPECT_DOUBLE_EQ(cat->hunger(), 40 + 100.0 / 600.0);
    // A value of 0 means the default.
    w.store->set("statDrainSeconds", 0.0);
    w.step(*cat);
    EXPECT_DOUBLE_EQ(cat->hunger(), 40 + 100.0 / 600.0 + r);
}

TEST(StatStep, AStalledTimerDrainsAtMostThreeSecondsAndABackwardClockNothing) {
    CatWorld w;
    auto cat = w.make();
    w.step(*cat, 10);
    EXPECT_DOUBLE_EQ(cat->hunger(), 40 + 3 * r);

    const double hunger = cat->hunger(), energy = cat->energy();
    w.step(*cat, -3600);
    EXPECT_DOUBLE_EQ(cat->hunger(), hunger);
    EXPECT_DOUBLE_EQ(cat->energy(), energy);
    // Saving goes on after the clock was set back, and the record holds sane values.
    auto saved = w.readRecord();
    ASSERT_TRUE(saved);
    EXPECT_DOUBLE_EQ(saved->savedAt, w.clock.now());
    EXPECT_DOUBLE_EQ(saved->hunger, hunger);
    // From the new moment on, time runs normally.
    w.step(*cat);
    EXPECT_DOUBLE_EQ(cat->hunger(), hunger + r);
}

TEST(StatStep, MoodAndNeedThresholds) {
    CatWorld w;
    auto cat = w.make();
    auto check = [&](PetMood mood, std::optional<PetNeed> need) {
        cat->updateMood();
        EXPECT_EQ(cat->mood(), mood);
        EXPECT_EQ(cat->currentNeed(), need);
    };
    check(PetMood::idle, std::nullopt);
    cat->setHunger(70);
    check(PetMood::hungry, PetNeed::hungry);
    cat->setHunger(69.9);
    check(PetMood::idle, std::nullopt);
    cat->setHappiness(40);
    check(PetMood::sad, PetNeed::sad);
    cat->setHappiness(20);
    check(PetMood::sad, PetNeed::sad);
    cat->setHappiness(19.9);
    check(PetMood::crying, PetNeed::sad);
    cat->setHappiness(70);
    cat->setEnergy(30);
    check(PetMood::sleepy, std::nullopt);
    cat->setEnergy(30.1);
    check(PetMood::idle, std::nullopt);
    cat->setPoops(2);
    check(PetMood::idle, PetNeed::dirty);
    cat->setHunger(70);
    check(PetMood::hungry, PetNeed::hungry);  // hunger before the litter
    cat->setHealth(39.9);
    check(PetMood::sick, PetNeed::sick);
    cat->setHealth(40);
    check(PetMood::hungry, PetNeed::hungry);
    cat->setPose(PetPose::eating);
    check(PetMood::eating, PetNeed::hungry);
}

TEST(StatStep, HungerDrainsHappinessOnlyAboveSeventy) {
    CatWorld w;
    w.store->set("statDrainSeconds", 200.0);  // half a point a second
    auto cat = w.make();
    cat->setHunger(69.5);
    w.step(*cat);
    EXPECT_DOUBLE_EQ(cat->hunger(), 70);
    EXPECT_DOUBLE_EQ(cat->happiness(), 70);
    EXPECT_EQ(cat->mood(), PetMood::hungry);
    EXPECT_EQ(cat->need(), PetNeed::hungry);
    w.step(*cat);
    EXPECT_DOUBLE_EQ(cat->happiness(), 70 - 0.35 * 0.5);
}

TEST(StatStep, ANeedIsAnnouncedOnceAndAgainAfterTenMinutes) {
    CatWorld w;
    auto cat = w.make();
    cat->setHunger(75);
    w.step(*cat);
    EXPECT_EQ(w.alerts, 1);
    EXPECT_EQ(w.count(PetSound::mew), 1u);
    ASSERT_FALSE(w.faces.empty());
    EXPECT_EQ(w.faces.back(), BotState::grumpy);

    for (int i = 0; i < 600; ++i) w.step(*cat);  // exactly 600 s after the announcement
    EXPECT_EQ(cat->need(), PetNeed::hungry);
    EXPECT_EQ(w.alerts, 1);
    w.step(*cat);
    EXPECT_EQ(w.alerts, 2);
    EXPECT_EQ(w.count(PetSound::mew), 2u);

    // A different need is announced at once.
    cat->setHunger(10);
    cat->setPoops(2);
    w.step(*cat);
    EXPECT_EQ(cat->need(), PetNeed::dirty);
    EXPECT_EQ(w.alerts, 3);
    EXPECT_EQ(w.count(PetSound::mew), 3u);

    // A need that clears and comes back is new again.
    cat->setPoops(0);
    w.step(*cat);
    EXPECT_EQ(cat->need(), std::nullopt);
    EXPECT_EQ(cat->alertedNeed(), std::nullopt);
    cat->setPoops(3);
    w.step(*cat);
    EXPECT_EQ(w.alerts, 4);
}

TEST(StatStep, ZeroHealthKillsAfterTheGraceTime) {
    struct Case {
        double drainSeconds;
        double grace;
    };
    for (Case c : {Case{0, 180}, Case{100, 20}, Case{600, 60}}) {
        SCOPED_TRACE(c.drainSeconds);
        CatWorld w;
        if (c.drainSeconds > 0) w.store->set("statDrainSeconds", c.drainSeconds);
        auto cat = w.make();
        cat->setHunger(0);
        cat->setHealth(0);
        w.step(*cat);  // the count starts here
        const double since = w.clock.now();
        while (w.clock.now() - since < c.grace - 1) w.step(*cat);
        EXPECT_FALSE(cat->isDead());
        const int alertsBefore = w.alerts;
        const std::size_t mewsBefore = w.count(PetSound::mew);
        w.step(*cat);
        EXPECT_TRUE(cat->isDead());
        EXPECT_EQ(cat->mood(), PetMood::dead);
        EXPECT_EQ(cat->pose(), PetPose::dead);
        EXPECT_EQ(cat->need(), PetNeed::dead);
        EXPECT_EQ(w.faces.back(), BotState::dead);
        // The dead need is announced, without the mew.
        EXPECT_EQ(w.alerts, alertsBefore + 1);
        EXPECT_EQ(w.count(PetSound::mew), mewsBefore);
        auto saved = w.readRecord();
        ASSERT_TRUE(saved);
        EXPECT_TRUE(saved->isDead);

        // A dead cat's stats stand still.
        const double hunger = cat->hunger();
        w.step(*cat, 60);
        EXPECT_DOUBLE_EQ(cat->hunger(), hunger);
    }
}

TEST(StatStep, HealthAboveZeroRestartsTheGraceCount) {
    CatWorld w;
    w.store->set("statDrainSeconds", 100.0);  // grace 20 s
    auto cat = w.make();
    cat->setHunger(0);
    cat->setHealth(0);
    for (int i = 0; i < 15; ++i) w.step(*cat);
    cat->setHealth(1);
    w.step(*cat);
    EXPECT_EQ(cat->zeroHealthSince(), std::nullopt);
    cat->setHealth(0);
    for (int i = 0; i < 20; ++i) w.step(*cat);  // 19 s since the count began again
    EXPECT_FALSE(cat->isDead());
    w.step(*cat);
    EXPECT_TRUE(cat->isDead());
}

TEST(StatStep, ANappingCatWakesWhenRestedUnlessFocusedOrSnoozing) {
    {
        CatWorld w;
        kp::ScriptedRandom draws{0.1};  // a happy wake
        w.random = &draws;
        auto cat = w.make();
        cat->setEnergy(95);
        cat->setSleeping(true);
        w.step(*cat);
        EXPECT_FALSE(cat->isSleeping());
        ASSERT_TRUE(cat->lastWake());
        EXPECT_EQ(cat->lastWake()->mood, WakeMood::happy);
        EXPECT_EQ(cat->pose(), PetPose::stretching);
        EXPECT_EQ(w.count(PetSound::trill), 1u);
        EXPECT_EQ(w.count(PetSound::yawn), 1u);
        EXPECT_EQ(w.emotes, std::vector<BotEmote>{BotEmote::yawn});
    }
    {
        CatWorld w;
        auto cat = w.make();
        cat->setEnergy(95);
        cat->setSleeping(true);
        A::setFocusNap(*cat, true);
        for (int i = 0; i < 10; ++i) w.step(*cat);
        EXPECT_TRUE(cat->isSleeping());
    }
    {
        CatWorld w;
        auto cat = w.make();
        cat->setEnergy(95);
        cat->setSleeping(true);
        A::setSnoozeUntil(*cat, w.clock.now() + 30);
        for (int i = 0; i < 29; ++i) w.step(*cat);
        EXPECT_TRUE(cat->isSleeping());
        w.step(*cat);
        EXPECT_FALSE(cat->isSleeping());
        EXPECT_EQ(cat->lastWake()->mood, WakeMood::happy);
        EXPECT_EQ(cat->pose(), PetPose::stretching);
    }
}

TEST(StatStep, WakeMoodsFromTheDraw) {
    {
        // Lazy: it snoozes on for 40 + 50u seconds.
        CatWorld w;
        kp::ScriptedRandom draws{0.7, 0.5, 0.0};
        w.random = &draws;
        auto cat = w.make();
        cat->setEnergy(95);
        cat->setSleeping(true);
        w.step(*cat);
        EXPECT_TRUE(cat->isSleeping());
        EXPECT_TRUE(cat->snoozedThisNap());
        ASSERT_TRUE(cat->snoozeUntil());
        EXPECT_DOUBLE_EQ(*cat->snoozeUntil(), w.clock.now() + 65);
        ASSERT_EQ(cat->reactions().size(), 1u);
        EXPECT_EQ(cat->reactions()[0].text, QString::fromUtf8("5 more min…"));
        // The next nap may be lazy again.
        cat->setSleeping(false);
        cat->setSleeping(true);
        EXPECT_FALSE(cat->snoozedThisNap());
    }
    {
        // Storming, in the bedroom: it sulks in another room, never the care room, and says so.
        CatWorld w;
        kp::ScriptedRandom draws{0.95, 0.0};
        w.random = &draws;
        auto cat = w.make();
        std::vector<BotEmote> posted;
        kp::Subscription sub(kp::NotificationCenter::shared(), kp::note::triggerEmote, [&](const std::any& o) {
            if (auto e = kp::notificationObject<BotEmote>(o)) posted.push_back(*e);
        });
        cat->setEnergy(95);
        cat->setSleeping(true);
        w.step(*cat);
        EXPECT_FALSE(cat->isSleeping());
        EXPECT_EQ(cat->lastWake()->mood, WakeMood::storming);
        EXPECT_EQ(cat->sulkRoom(), IslandRoomKind::living);
        EXPECT_EQ(cat->errand(), PetErrand::sulk);
        EXPECT_EQ(cat->pose(), PetPose::walking);
        EXPECT_EQ(w.count(PetSound::growl), 1u);
        EXPECT_EQ(posted, std::vector<BotEmote>{BotEmote::annoyed});
    }
}

TEST(StatStep, AStormInTheCareRoomIsOnlyGrumpyAndLazinessComesOncePerNap) {
    CatWorld w;
    kp::ScriptedRandom draws{0.95, 0.5, 0.5, 0.7, 0.5};
    w.random = &draws;
    auto cat = w.make();
    A::setRoom(*cat, IslandRoomKind::care);
    A::setViewRoom(*cat, IslandRoomKind::care);
    cat->setEnergy(95);
    cat->setSleeping(true);
    w.step(*cat);
    EXPECT_FALSE(cat->isSleeping());
    EXPECT_EQ(cat->lastWake()->mood, WakeMood::grumpy);
    EXPECT_EQ(cat->errand(), std::nullopt);
    EXPECT_EQ(cat->pose(), PetPose::sitting);
    EXPECT_EQ(cat->beat(), PetBeat::sit(w.clock.now() + 2.4));
    EXPECT_DOUBLE_EQ(*cat->fussUntil(), w.clock.now() + 1.6);
    EXPECT_EQ(w.count(PetSound::mew), 1u);

    // A second lazy draw in the same nap wakes it happy instead.
    kp::ScriptedRandom lazy{0.7, 0.0, 0.0, 0.7, 0.6};  // the last draw is lazy again
    CatWorld v;
    v.random = &lazy;
    auto napper = v.make();
    napper->setEnergy(95);
    napper->setSleeping(true);
    v.step(*napper);
    EXPECT_TRUE(napper->isSleeping());
    EXPECT_EQ(napper->wakeUp(true, v.clock.now()), WakeMood::happy);
    EXPECT_FALSE(napper->isSleeping());
}

TEST(StatStep, ABedroomNapAtNightBecomesTheNightsSleep) {
    CatWorld w;
    kp::ScriptedRandom draws{0.5, 0.25};
    w.random = &draws;
    w.clock.setNow(test::localMoment(2026, 3, 2, 23));
    auto cat = w.make();
    A::setViewRoom(*cat, IslandRoomKind::kitchen);
    w.sky = {SkyTime::night, SkyWeather::clear};
    cat->setEnergy(100);
    cat->setSleeping(true);
    w.step(*cat);
    ASSERT_TRUE(cat->nightSleepUntil());
    EXPECT_DOUBLE_EQ(*cat->nightSleepUntil(), w.clock.now() + 60 * 60);  // 50 + 20 x 0.5 minutes
    EXPECT_EQ(cat->sleptNight(), startOfLocalDay(w.clock.now() - 43200));
    EXPECT_TRUE(w.readRecord()->nightSleepUntil);  // saved at once

    // A full energy bar does not end it; the end of the night does.
    w.step(*cat, 3599);
    EXPECT_TRUE(cat->isSleeping());
    w.step(*cat, 1);
    EXPECT_FALSE(cat->isSleeping());
    EXPECT_EQ(cat->nightSleepUntil(), std::nullopt);
    EXPECT_EQ(cat->lastWake()->mood, WakeMood::happy);
    EXPECT_EQ(cat->pose(), PetPose::stretching);
    // It comes to the room on view 4 to 8 s later.
    ASSERT_TRUE(cat->arrivalDue());
    EXPECT_DOUBLE_EQ(*cat->arrivalDue(), w.clock.now() + 5);

    // No second night's sleep before the next noon.
    cat->setSleeping(true);
    EXPECT_FALSE(cat->isBedtime());
    w.step(*cat);
    EXPECT_EQ(cat->nightSleepUntil(), std::nullopt);
    w.clock.setNow(test::localMoment(2026, 3, 3, 4));
    EXPECT_FALSE(cat->isBedtime());
    // The next evening is a new night.
    w.clock.setNow(test::localMoment(2026, 3, 3, 22));
    EXPECT_TRUE(cat->isBedtime());
}

TEST(StatStep, ANapOutsideTheBedroomIsNoNightsSleep) {
    CatWorld w;
    w.clock.setNow(test::localMoment(2026, 3, 2, 23));
    auto cat = w.make();
    w.sky = {SkyTime::night, SkyWeather::clear};
    A::setRoom(*cat, IslandRoomKind::kitchen);
    cat->setEnergy(50);
    cat->setSleeping(true);
    EXPECT_TRUE(cat->isBedtime());
    w.step(*cat);
    EXPECT_EQ(cat->nightSleepUntil(), std::nullopt);
}

TEST(StatStep, StagesAtTheirBoundaries) {
    CatWorld w;
    auto cat = w.make();
    const double b = cat->birth();
    EXPECT_EQ(cat->stageFor(b + 172799), PetStage::kitten);
    EXPECT_EQ(cat->stageFor(b + 172800), PetStage::junior);
    EXPECT_EQ(cat->stageFor(b + 518399), PetStage::junior);
    EXPECT_EQ(cat->stageFor(b + 518400), PetStage::adult);
    w.store->set("kittenLengthSeconds", 100.0);
    EXPECT_EQ(cat->stageFor(b + 99), PetStage::kitten);
    EXPECT_EQ(cat->stageFor(b + 100), PetStage::junior);
    EXPECT_EQ(cat->stageFor(b + 300), PetStage::adult);
}

TEST(StatStep, GrowingUpIsCelebratedWhenSeenAndQuietOtherwise) {
    CatWorld w;
    w.store->set("kittenLengthSeconds", 100.0);
    auto cat = w.make();
    const double born = cat->birth();
    w.step(*cat, 100);
    EXPECT_EQ(cat->stage(), PetStage::junior);
    ASSERT_EQ(cat->reactions().size(), 4u);
    EXPECT_EQ(cat->reactions()[0].text, "growing up!");
    EXPECT_EQ(cat->reactions()[1].kind, PetReaction::Kind::heart);
    EXPECT_DOUBLE_EQ(cat->reactions()[1].born, w.clock.now() + 0.3);
    EXPECT_EQ(w.emotes, std::vector<BotEmote>{BotEmote::proud});
    EXPECT_EQ(w.count(PetSound::trill), 1u);
    EXPECT_DOUBLE_EQ(w.readRecord()->savedAt, w.clock.now());

    // Out on the desktop: the stage changes without a word.
    A::setOut(*cat, true);
    w.clock.setNow(born + 300);
    cat->statStep();
    EXPECT_EQ(cat->stage(), PetStage::adult);
    EXPECT_EQ(w.emotes.size(), 1u);
    EXPECT_EQ(w.count(PetSound::trill), 1u);
}

TEST(StatStep, GrowingIntoAnAdultInSightIsAllGrownUp) {
    CatWorld w;
    w.store->set("kittenLengthSeconds", 100.0);
    auto cat = w.make();
    A::setBirth(*cat, w.clock.now() - 299);
    w.step(*cat);  // born 300 s ago: straight to adult
    EXPECT_EQ(cat->stage(), PetStage::adult);
    ASSERT_FALSE(cat->reactions().empty());
    EXPECT_EQ(cat->reactions()[0].text, "all grown up!");

    // A longer kitten time makes it a kitten again on paper, without a celebration.
    w.store->set("kittenLengthSeconds", 0.0);
    w.step(*cat);
    EXPECT_EQ(cat->stage(), PetStage::kitten);
    EXPECT_EQ(w.emotes, std::vector<BotEmote>{BotEmote::proud});
    EXPECT_EQ(w.count(PetSound::trill), 1u);
}

TEST(StatStep, GrowthScalesFromNewbornToAdult) {
    CatWorld w;
    auto cat = w.make();
    auto g = cat->growth();
    EXPECT_DOUBLE_EQ(g.body, 0.6);
    EXPECT_DOUBLE_EQ(g.head, 1.18);
    w.clock.advance(259200);  // half of the adult age
    g = cat->growth();
    EXPECT_DOUBLE_EQ(g.body, 0.8);
    EXPECT_DOUBLE_EQ(g.head, 1.09);
    w.clock.advance(259200);
    EXPECT_DOUBLE_EQ(cat->growth().body, 1.0);
    w.clock.advance(1e6);
    EXPECT_DOUBLE_EQ(cat->growth().head, 1.0);
    w.store->set("kittenLengthSeconds", 0.0);  // the default again: adult at 518400 s
    w.clock.setNow(cat->birth() + 518400);
    EXPECT_DOUBLE_EQ(cat->growth().body, 1.0);
    w.clock.setNow(cat->birth() - 50);  // a clock set back before the birth
    EXPECT_DOUBLE_EQ(cat->growth().body, 0.6);
}

TEST(StatStep, ASickVisibleCatSneezes) {
    CatWorld w;
    auto cat = w.make();
    cat->setHealth(30);
    w.step(*cat);  // mood becomes sick
    EXPECT_EQ(cat->mood(), PetMood::sick);
    EXPECT_EQ(w.count(PetSound::sneeze), 0u);
    w.step(*cat, 19);  // 20 s after the cat was made
    EXPECT_EQ(w.count(PetSound::sneeze), 1u);
    EXPECT_DOUBLE_EQ(*cat->sneezedAt(), w.clock.now() + 0.25);
    const double next = A::nextSneeze(*cat);
    EXPECT_GE(next, w.clock.now() + 25);
    EXPECT_LE(next, w.clock.now() + 55);
    // Out of sight it does not sneeze, but the next one still moves.
    A::setViewRoom(*cat, IslandRoomKind::garden);
    w.clock.setNow(next);
    cat->statStep();
    EXPECT_EQ(w.count(PetSound::sneeze), 1u);
    EXPECT_GT(A::nextSneeze(*cat), next);
}

TEST(StatStep, TheAmbienceFollowsSettingsRoomAndWeather) {
    CatWorld w;
    auto cat = w.make();
    test::FakeAmbience amb;
    cat->setAmbience(&amb);
    w.step(*cat);
    EXPECT_EQ(amb.applied, 0);  // in step already, nothing to do
    EXPECT_TRUE(amb.levels.empty());

    w.store->set("soundOn", false);
    w.store->set("soundVolume", 0.25);
    w.step(*cat);
    EXPECT_FALSE(amb.enabled);
    EXPECT_FLOAT_EQ(amb.volume, 0.25f);
    EXPECT_EQ(amb.applied, 2);

    cat->setWatched(true);
    A::setViewRoom(*cat, IslandRoomKind::garden);
    w.sky = {SkyTime::day, SkyWeather::rain};
    w.step(*cat);
    EXPECT_FLOAT_EQ(amb.levels[AmbienceBed::rain], 1.0f);
    EXPECT_FLOAT_EQ(amb.levels[AmbienceBed::birds], 0.0f);
    EXPECT_EQ(amb.applied, 3);
    w.step(*cat);
    EXPECT_EQ(amb.applied, 3);  // unchanged levels are not re-applied

    A::setViewRoom(*cat, IslandRoomKind::living);
    A::setRoom(*cat, IslandRoomKind::living);
    cat->setPose(PetPose::watching);
    w.step(*cat);
    EXPECT_FLOAT_EQ(amb.levels[AmbienceBed::rain], 0.2f);
    EXPECT_FLOAT_EQ(amb.levels[AmbienceBed::fire], 1.0f);
    EXPECT_FLOAT_EQ(amb.levels[AmbienceBed::tv], 1.0f);

    A::setViewRoom(*cat, IslandRoomKind::bedroom);
    A::setRoom(*cat, IslandRoomKind::bedroom);
    cat->setPose(PetPose::perched);
    w.sky = {SkyTime::afternoon, SkyWeather::cloudy};
    w.step(*cat);
    AmbienceLevels expected;
    expected[AmbienceBed::birds] = 0.45f;
    EXPECT_EQ(amb.levels, expected);
    w.sky = {SkyTime::night, SkyWeather::clear};
    w.step(*cat);
    EXPECT_TRUE(amb.levels.empty());

    // Out of view, everything falls silent.
    w.sky = {SkyTime::day, SkyWeather::storm};
    cat->setWatched(false);
    w.step(*cat);
    EXPECT_TRUE(amb.levels.empty());
}

TEST(PetLifeModel, TheFaceFollowsSleepPoseAndNeed) {
    CatWorld w;
    auto cat = w.make();
    cat->setHunger(80);
    cat->alertNeed();
    EXPECT_EQ(w.faces, (std::vector<std::optional<BotState>>{BotState::grumpy}));
    cat->setPose(PetPose::eating);  // busy: no face while eating
    EXPECT_EQ(w.faces.back(), std::nullopt);
    cat->setPose(PetPose::sitting);
    EXPECT_EQ(w.faces.back(), BotState::grumpy);
    cat->setSleeping(true);
    EXPECT_EQ(w.faces.back(), BotState::sleeping);
    const std::size_t sent = w.faces.size();
    cat->setSleeping(true);
    cat->setPose(PetPose::sitting);
    EXPECT_EQ(w.faces.size(), sent);
    A::setSnoozeUntil(*cat, w.clock.now() + 100);
    A::setNightSleepUntil(*cat, w.clock.now() + 100);
    cat->setSleeping(false);
    EXPECT_EQ(cat->snoozeUntil(), std::nullopt);
    EXPECT_EQ(cat->nightSleepUntil(), std::nullopt);
    EXPECT_EQ(w.faces.back(), BotState::grumpy);
    cat->setPose(PetPose::resting);
    EXPECT_EQ(w.faces.back(), BotState::sick);
}

TEST(PetLifeModel, LeavingALookoutRecordsTheDescentAndTheThud) {
    CatWorld w;
    auto cat = w.make();
    cat->setPose(PetPose::lookout);
    A::setHighSpot(*cat, PetErrand::fridgeTop, w.clock.now());
    w.clock.advance(1.0);
    EXPECT_FALSE(cat->perchSettled());
    w.clock.advance(0.5);
    EXPECT_TRUE(cat->perchSettled());
    cat->setPose(PetPose::sitting);
    ASSERT_TRUE(cat->cameDown());
    EXPECT_EQ(cat->cameDown()->spot, PetErrand::fridgeTop);
    EXPECT_EQ(cat->highSpot(), std::nullopt);
    EXPECT_DOUBLE_EQ(*cat->thudDue(), w.clock.now() + 0.45);
    w.clock.advance(0.44);
    cat->motionStep();
    EXPECT_EQ(w.count(PetSound::thud), 0u);
    w.clock.advance(0.02);
    cat->motionStep();
    EXPECT_EQ(w.count(PetSound::thud), 1u);
    EXPECT_EQ(cat->thudDue(), std::nullopt);
}

TEST(PetLifeModel, BubblesComeInTurnsAndOnlyTwelveStay) {
    CatWorld w;
    auto cat = w.make();
    const double t = w.clock.now();
    cat->react(PetReaction::Kind::heart, 3, t);
    ASSERT_EQ(cat->reactions().size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cat->reactions()[i].id, i + 1);
        EXPECT_DOUBLE_EQ(cat->reactions()[i].born, t + 0.14 * i);
        EXPECT_NEAR(cat->reactions()[i].dx, (i - 1) * 7.0, 2.0);
    }
    cat->react(PetReaction::Kind::note, 10, t, "hi");
    ASSERT_EQ(cat->reactions().size(), 12u);
    EXPECT_EQ(cat->reactions().front().id, 2);
    EXPECT_EQ(cat->reactions().back().id, 13);
    // The motion step lets them go by age: hearts after 1.4 s, notes after 2.6 s.
    w.clock.advance(1.7);
    cat->motionStep();
    EXPECT_EQ(cat->reactions().size(), 10u);
    w.clock.advance(2.5);
    cat->motionStep();
    EXPECT_TRUE(cat->reactions().empty());
}

