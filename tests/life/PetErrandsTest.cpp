#include "PetProbe.h"

#include <gtest/gtest.h>

using namespace kp;
using kp::test::CatWorld;
using kp::test::moveFor;
using kp::test::moveUntil;
using A = kp::PetLifeTestAccess;
using P = kp::PetLifeProbe;

namespace {

void putIn(PetLife& cat, IslandRoomKind room) {
    A::setRoom(cat, room);
    A::setViewRoom(cat, room);
}

// Runs until the current errand is over (acting finished).
bool finishErrand(CatWorld& w, PetLife& cat, double limit = 120) {
    return moveUntil(w, cat, [&] { return !cat.errand(); }, limit);
}

}  // namespace

TEST(PetWalking, SpeedSnapAndTheFirstStepAfterAPause) {
    CatWorld w;
    auto cat = w.make();
    P::setPlace(*cat, 0);
    // A whole room width at 0.18 widths a second takes about 5.6 s.
    double seconds = 0;
    while (!cat->walk(1.0, 0.05, 0.18)) {
        seconds += 0.05;
        ASSERT_LT(seconds, 10);
    }
    EXPECT_NEAR(seconds, 5.5, 0.1);
    EXPECT_DOUBLE_EQ(cat->place(), 1.0);  // snapped exactly
    EXPECT_FALSE(cat->isStepping());

    // Closer than 0.012 snaps at once.
    P::setPlace(*cat, 0.5);
    EXPECT_TRUE(cat->walk(0.511, 0.05, 0.18));
    EXPECT_DOUBLE_EQ(cat->place(), 0.511);

    // Two seconds without a step: the walk uses 0.05 s of them only.
    P::setPlace(*cat, 0.2);
    cat->send(PetErrand::scratch);  // approach 0.6
    w.clock.advance(2);
    cat->motionStep();
    EXPECT_NEAR(cat->place(), 0.2 + 0.05 * 0.18, 1e-12);
    EXPECT_TRUE(cat->facingRight());
    EXPECT_EQ(cat->pose(), PetPose::walking);
}

TEST(PetErrands, EatingAtTheBowlDropsHungerBy35AndSchedulesADropping) {
    CatWorld w;
    auto cat = w.make();
    cat->setHunger(80);
    cat->setHappiness(50);
    cat->send(PetErrand::eat);
    EXPECT_EQ(cat->errand(), PetErrand::eat);

    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->actingUntil().has_value(); }, 5));
    EXPECT_DOUBLE_EQ(cat->place(), 0.5);
    EXPECT_EQ(cat->pose(), PetPose::eating);
    EXPECT_EQ(cat->mood(), PetMood::eating);
    EXPECT_TRUE(cat->facingRight());
    const double eatingFrom = w.clock.now();
    EXPECT_NEAR(*cat->actingUntil() - eatingFrom, 2.0, 1e-6);
    EXPECT_EQ(cat->hunger(), 80);  // nothing eaten yet

    ASSERT_TRUE(finishErrand(w, *cat, 3));
    EXPECT_DOUBLE_EQ(cat->hunger(), 45);
    EXPECT_DOUBLE_EQ(cat->happiness(), 55);
    EXPECT_EQ(cat->pose(), PetPose::licking);
    EXPECT_EQ(cat->beat().kind, PetBeat::Kind::lick);
    EXPECT_NEAR(cat->beat().until - w.clock.now(), 1.5, 1e-6);
    ASSERT_TRUE(cat->poopDue());
    EXPECT_NEAR(*cat->poopDue() - w.clock.now(), 216, 1e-6);  // 0.12 x 1800
    // Noms come every 0.9 s while eating: the first at once.
    EXPECT_GE(w.count(PetSound::nom), 2u);
    EXPECT_LE(w.count(PetSound::nom), 3u);
    auto saved = w.readRecord();
    ASSERT_TRUE(saved);
    EXPECT_DOUBLE_EQ(saved->hunger, 45);

    // Eating again leaves the scheduled dropping where it is.
    const double due = *cat->poopDue();
    cat->send(PetErrand::eat);
    ASSERT_TRUE(finishErrand(w, *cat, 6));
    EXPECT_DOUBLE_EQ(*cat->poopDue(), due);
    EXPECT_DOUBLE_EQ(cat->hunger(), 10);
}

TEST(PetErrands, ShopMealsAndTheDroppingAfter) {
    struct Case {
        ShopItem meal;
        double hunger, happiness, health;
    };
    for (const Case c : {Case{ShopItem::treats, 90, 52, 50}, Case{ShopItem::tuna, 45, 48, 50},
                         Case{ShopItem::salmon, 20, 55, 56}}) {
        CatWorld w;
        auto cat = w.make();
        cat->setHunger(100);
        cat->setHappiness(40);
        cat->setHealth(50);
        cat->feed(c.meal);
        EXPECT_EQ(cat->meal(), c.meal);
        ASSERT_TRUE(finishErrand(w, *cat, 6));
        EXPECT_DOUBLE_EQ(cat->hunger(), c.hunger) << rawValue(c.meal);
        EXPECT_DOUBLE_EQ(cat->happiness(), c.happiness) << rawValue(c.meal);
        EXPECT_DOUBLE_EQ(cat->health(), c.health) << rawValue(c.meal);
        EXPECT_FALSE(cat->meal());
    }

    CatWorld w;
    w.store->set("statDrainSeconds", 300.0);
    auto cat = w.make();
    // A short drain schedules the dropping at least a minute ahead.
    cat->feed(ShopItem::treats);
    ASSERT_TRUE(finishErrand(w, *cat, 6));
    EXPECT_NEAR(*cat->poopDue() - w.clock.now(), 60, 1e-6);
}

TEST(PetErrands, RoutingGoesStraightToTheTargetRoom) {
    CatWorld w;
    auto cat = w.make();
    putIn(*cat, IslandRoomKind::garden);
    P::setPlace(*cat, 0.5);
    cat->send(PetErrand::sleep);
    // Off the left edge of the garden...
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->room() != IslandRoomKind::garden; }, 5));
    EXPECT_EQ(cat->room(), IslandRoomKind::bedroom);  // not through the rooms between
    EXPECT_DOUBLE_EQ(cat->place(), 1.06);
    EXPECT_FALSE(cat->facingRight());
    EXPECT_EQ(cat->viewRoom(), IslandRoomKind::garden);
    // ...and to the bed, where it kneads and falls asleep out of sight.
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->pose() == PetPose::kneading; }, 10));
    EXPECT_DOUBLE_EQ(cat->place(), 0.135);
    EXPECT_EQ(w.count(PetSound::purr), 0u);  // not visible
    ASSERT_TRUE(finishErrand(w, *cat, 3));
    EXPECT_TRUE(cat->isSleeping());
    EXPECT_EQ(cat->pose(), PetPose::sleeping);
    EXPECT_FALSE(cat->nightSleepUntil());  // daytime: a nap

    // Sleeping at bedtime turns into the night's sleep.
    CatWorld n;
    n.sky = SkyLook{SkyTime::night, SkyWeather::clear};
    auto night = n.make();
    night->send(PetErrand::sleep);
    ASSERT_TRUE(finishErrand(n, *night, 10));
    EXPECT_TRUE(night->isNightSleeping());
}

TEST(PetErrands, LitterVisitsAndTheSulkWithoutARoom) {
    CatWorld w;
    auto cat = w.make();
    putIn(*cat, IslandRoomKind::care);
    cat->setHappiness(60);
    cat->setPoops(2);
    cat->send(PetErrand::litter);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->pose() == PetPose::digging; }, 10));
    EXPECT_NEAR(*cat->actingUntil() - w.clock.now(), 2.6, 1e-6);
    ASSERT_TRUE(finishErrand(w, *cat, 3));
    EXPECT_EQ(cat->poops(), 3);
    EXPECT_DOUBLE_EQ(cat->happiness(), 52);  // the third dropping costs 8
    EXPECT_GE(w.count(PetSound::dig), 6u);

    cat->setPoops(4);
    cat->send(PetErrand::litter);
    ASSERT_TRUE(finishErrand(w, *cat, 5));
    EXPECT_EQ(cat->poops(), 4);  // never more than four

    // Out of sight, the cat comes back to the room on view 1.5 s after its visit.
    A::setViewRoom(*cat, IslandRoomKind::kitchen);
    A::setErrand(*cat, std::nullopt);
    cat->startErrand(PetErrand::litter);
    ASSERT_TRUE(finishErrand(w, *cat, 5));
    ASSERT_TRUE(cat->arrivalDue());
    EXPECT_NEAR(*cat->arrivalDue() - w.clock.now(), 1.5, 1e-6);

    // A sulk with no sulk room is acted where the cat is.
    CatWorld s;
    auto sulky = s.make();
    putIn(*sulky, IslandRoomKind::kitchen);
    P::setPlace(*sulky, 0.5);
    sulky->startErrand(PetErrand::sulk);
    moveFor(s, *sulky, 0.1);
    EXPECT_EQ(sulky->room(), IslandRoomKind::kitchen);
    ASSERT_TRUE(sulky->actingUntil());
    const double left = *sulky->actingUntil() - s.clock.now();
    EXPECT_GE(left, 9.9);
    EXPECT_LE(left, 16);
    EXPECT_EQ(sulky->pose(), PetPose::sitting);
}

TEST(PetErrands, PerchClimbsThudTwice) {
    CatWorld w;
    auto cat = w.make();
    putIn(*cat, IslandRoomKind::living);
    P::setPlace(*cat, 0.77);
    cat->send(PetErrand::tvTop);  // approach 0.77: acting at the next step
    moveFor(w, *cat, 1.0 / 30);
    EXPECT_EQ(cat->pose(), PetPose::lookout);
    EXPECT_EQ(cat->highSpot(), PetErrand::tvTop);
    const double climbed = w.clock.now();
    EXPECT_NEAR(*cat->thudDue() - climbed, 1.4, 1e-6);
    const double left = *cat->actingUntil() - climbed;
    EXPECT_GE(left, 1.4 + 9);
    EXPECT_LE(left, 1.4 + 16);
    moveFor(w, *cat, 1.5);
    EXPECT_EQ(w.count(PetSound::thud), 1u);
    EXPECT_TRUE(cat->perchSettled());

    const double happy = cat->happiness();
    ASSERT_TRUE(finishErrand(w, *cat, 20));
    EXPECT_DOUBLE_EQ(cat->happiness(), happy + 4);
    EXPECT_EQ(cat->pose(), PetPose::sitting);
    ASSERT_TRUE(cat->cameDown());
    EXPECT_EQ(cat->cameDown()->spot, PetErrand::tvTop);
    EXPECT_FALSE(cat->highSpot());
    moveFor(w, *cat, 0.5);
    EXPECT_EQ(w.count(PetSound::thud), 2u);  // landing on the floor
}

TEST(PetErrands, ShelterStaysInWhileItRains) {
    CatWorld w;
    w.sky = SkyLook{SkyTime::day, SkyWeather::rain};
    auto cat = w.make();
    putIn(*cat, IslandRoomKind::garden);
    P::setPlace(*cat, 0.8);
    cat->startErrand(PetErrand::shelter);
    moveFor(w, *cat, 1.0 / 30);
    EXPECT_TRUE(cat->inHouse());
    EXPECT_NEAR(*cat->actingUntil() - w.clock.now(), 40, 1e-6);
    moveFor(w, *cat, 40.1);
    // Still raining: another 40 s inside.
    EXPECT_EQ(cat->errand(), PetErrand::shelter);
    EXPECT_TRUE(cat->inHouse());
    w.sky = SkyLook{SkyTime::day, SkyWeather::clear};
    moveFor(w, *cat, 40.1);
    EXPECT_FALSE(cat->inHouse());
    EXPECT_NE(cat->errand(), PetErrand::shelter);
}

TEST(PetErrands, ANewErrandIsWalkedToEvenWhileAnotherIsActed) {
    CatWorld w;
    auto cat = w.make();
    cat->setHealth(50);
    P::setPlace(*cat, 0.2);
    cat->startErrand(PetErrand::sulk);
    moveFor(w, *cat, 3);  // sulking, sitting with its acting time running
    ASSERT_TRUE(cat->actingUntil());
    cat->send(PetErrand::medicine);
    EXPECT_FALSE(cat->actingUntil());
    moveFor(w, *cat, 0.5);
    EXPECT_TRUE(cat->isStepping());
    EXPECT_DOUBLE_EQ(cat->health(), 50);  // not taken in the sulk's place
    ASSERT_TRUE(finishErrand(w, *cat, 10));
    EXPECT_DOUBLE_EQ(cat->place(), 0.66);
    EXPECT_DOUBLE_EQ(cat->health(), 90);
}

TEST(PetMotionStep, DeadOutAndSleepingCatsStayPut) {
    CatWorld w;
    auto cat = w.make();
    P::setPlace(*cat, 0.3);
    A::setOut(*cat, true);
    cat->startErrand(PetErrand::scratch);
    P::setArrivalDue(*cat, w.clock.now());
    moveFor(w, *cat, 2);
    EXPECT_DOUBLE_EQ(cat->place(), 0.3);
    EXPECT_TRUE(cat->arrivalDue());  // kept for later

    A::setOut(*cat, false);
    P::setArrivalDue(*cat, std::nullopt);
    cat->setSleeping(true);
    moveFor(w, *cat, 2);
    EXPECT_DOUBLE_EQ(cat->place(), 0.3);
    EXPECT_FALSE(cat->isStepping());

    // A due arrival still comes, and wakes the cat on the way in.
    A::setRoom(*cat, IslandRoomKind::kitchen);
    P::setArrivalDue(*cat, w.clock.now() + 0.5);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return !cat->arrivalDue(); }, 1));
    EXPECT_FALSE(cat->isSleeping());
    EXPECT_EQ(cat->room(), IslandRoomKind::bedroom);
    EXPECT_DOUBLE_EQ(cat->place(), 1.06);  // from the kitchen, on the right
    EXPECT_FALSE(cat->facingRight());
    EXPECT_EQ(cat->beat().kind, PetBeat::Kind::walk);
    EXPECT_GE(cat->beat().target, 0.58);
    EXPECT_LE(cat->beat().target, 0.78);
    EXPECT_FALSE(cat->errand());

    P::die(*cat);
    const double place = cat->place();
    moveFor(w, *cat, 2);
    EXPECT_DOUBLE_EQ(cat->place(), place);
}

TEST(PetMotionStep, ArrivalStartsTheQueuedErrand) {
    CatWorld w;
    auto cat = w.make();
    A::setRoom(*cat, IslandRoomKind::bedroom);
    cat->followView(IslandRoomKind::kitchen);
    ASSERT_TRUE(cat->arrivalDue());
    EXPECT_NEAR(*cat->arrivalDue() - w.clock.now(), 3, 1e-6);
    cat->send(PetErrand::drink);  // out of sight: queued, and the arrival hurried
    EXPECT_EQ(cat->queuedErrand(), PetErrand::drink);
    EXPECT_NEAR(*cat->arrivalDue() - w.clock.now(), 1.2, 1e-6);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return !cat->arrivalDue(); }, 1.3));
    EXPECT_EQ(cat->room(), IslandRoomKind::kitchen);
    EXPECT_DOUBLE_EQ(cat->place(), -0.06);
    EXPECT_TRUE(cat->facingRight());
    EXPECT_EQ(cat->errand(), PetErrand::drink);
    EXPECT_FALSE(cat->queuedErrand());
}

TEST(PetMotionStep, ToysRunOutAndTheLaserLastsAsLongAsTheZoomies) {
    CatWorld w;
    auto cat = w.make();
    P::setToy(*cat, ShopItem::yarn, std::nullopt);
    cat->motionStep();
    EXPECT_FALSE(cat->toy());

    P::setToy(*cat, ShopItem::laser, w.clock.now() - 100);
    P::setZooming(*cat, true);
    cat->motionStep();
    EXPECT_EQ(cat->toy(), ShopItem::laser);
    P::setZooming(*cat, false);
    cat->motionStep();
    EXPECT_FALSE(cat->toy());
    EXPECT_FALSE(cat->toyUntil());
}

TEST(PetMotionStep, AnOverduePoopIsTakenToTheLitterBoxFromASit) {
    CatWorld w;
    auto cat = w.make();
    A::setPoopDue(*cat, w.clock.now() - 1);
    P::setBeat(*cat, PetBeat::nap(w.clock.now() + 100), w.clock.now());
    cat->motionStep();
    EXPECT_TRUE(cat->poopDue());  // not while napping
    P::setBeat(*cat, PetBeat::sit(w.clock.now() + 100), w.clock.now());
    cat->motionStep();
    EXPECT_FALSE(cat->poopDue());
    EXPECT_EQ(cat->errand(), PetErrand::litter);
    // To the care room, on the right of the bedroom.
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->room() == IslandRoomKind::care; }, 10));
    ASSERT_TRUE(finishErrand(w, *cat, 10));
    EXPECT_EQ(cat->poops(), 1);
    ASSERT_TRUE(cat->arrivalDue());  // back to the bedroom on view
}

TEST(PetMotionStep, ReactionBubblesFadeByKind) {
    CatWorld w;
    auto cat = w.make();
    const double t = w.clock.now();
    cat->react(PetReaction::Kind::heart, 1, t);
    cat->react(PetReaction::Kind::meow, 1, t);
    cat->react(PetReaction::Kind::note, 1, t, "hi");
    P::setBeat(*cat, PetBeat::sit(t + 100), t);
    w.clock.advance(1.5);
    cat->motionStep();
    EXPECT_EQ(cat->reactions().size(), 2u);
    w.clock.advance(0.5);
    cat->motionStep();
    EXPECT_EQ(cat->reactions().size(), 1u);
    w.clock.advance(0.7);
    cat->motionStep();
    EXPECT_TRUE(cat->reactions().empty());
}
