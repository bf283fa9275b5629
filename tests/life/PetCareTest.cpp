#include "PetProbe.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace kp;
using kp::test::CatWorld;
using kp::test::moveFor;
using kp::test::moveUntil;
using A = kp::PetLifeTestAccess;
using P = kp::PetLifeProbe;

namespace {

struct CareLog {
    QStringList keys;
    void attach(PetLife& cat) {
        cat.setCareRecorder([this](const QString& key, double) { keys << key; });
    }
};

std::size_t countKind(const PetLife& cat, PetReaction::Kind kind) {
    std::size_t n = 0;
    for (const PetReaction& r : cat.reactions()) n += r.kind == kind;
    return n;
}

}  // namespace

TEST(PetPetting, QuickClicksFussAndANightSleeperDecidesAtTheFifthTap) {
    CatWorld w;
    ScriptedRandom noTricks{0.99};
    w.random = &noTricks;
    auto cat = w.make();
    EXPECT_EQ(cat->pet(), PetResult::loved);
    w.clock.advance(0.5);
    EXPECT_EQ(cat->pet(), PetResult::loved);
    w.clock.advance(0.5);
    EXPECT_EQ(cat->pet(), PetResult::fussed);
    EXPECT_DOUBLE_EQ(cat->happiness(), 73);  // +3 +3 -3
    w.clock.advance(1.2);
    EXPECT_EQ(cat->pet(), PetResult::loved);
    EXPECT_EQ(w.count(PetSound::purr), 3u);

    for (const auto& [u, result] : {std::pair{0.1, PetResult::snoozed}, std::pair{0.5, PetResult::wokeAngry},
                                    std::pair{0.8, PetResult::loved}}) {
        CatWorld n;
        ScriptedRandom draws{u};
        n.random = &draws;
        auto sleeper = n.make();
        sleeper->setSleeping(true);
        A::setNightSleepUntil(*sleeper, n.clock.now() + 3000);
        EXPECT_EQ(sleeper->pet(), PetResult::ignored);
        n.clock.advance(7);  // taps more than 6 s apart start the count again
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(sleeper->pet(), PetResult::ignored);
            n.clock.advance(1);
        }
        EXPECT_EQ(sleeper->pet(), result) << u;
    }
}

TEST(PetThunder, OneStartlePerFlashOnlyWhenFreeAndTheSoundAlwaysFollows) {
    CatWorld w;
    ScriptedRandom draws{0.2};  // thunder after 0.76 s, and the cat hides
    w.random = &draws;
    auto cat = w.make();
    P::setPlace(*cat, 0.7);
    cat->startle(3);
    EXPECT_EQ(w.emotes.back(), BotEmote::surprised);
    EXPECT_EQ(cat->errand(), PetErrand::hide);
    EXPECT_DOUBLE_EQ(cat->hideEdge(), 1.03);  // the nearer edge
    w.run(0.7);
    EXPECT_EQ(w.count(PetSound::thunder), 0u);
    w.run(0.1);
    EXPECT_EQ(w.count(PetSound::thunder), 1u);
    const std::size_t emotes = w.emotes.size();
    cat->startle(3);  // the same flash again
    w.run(2);
    EXPECT_EQ(w.count(PetSound::thunder), 1u);
    EXPECT_EQ(w.emotes.size(), emotes);

    // Asleep, eating, drinking, in another room, out, dead: thunder, no startle.
    int flash = 10;
    const auto stays = [&](const char* why) {
        P::setStartledUntil(*cat, std::nullopt);
        cat->startle(++flash);
        EXPECT_FALSE(cat->startledUntil()) << why;
        EXPECT_EQ(w.emotes.size(), emotes) << why;
    };
    A::setErrand(*cat, std::nullopt);
    cat->setSleeping(true);
    stays("asleep");
    cat->setSleeping(false);
    cat->setPose(PetPose::eating);
    stays("eating");
    cat->setPose(PetPose::sitting);
    A::setViewRoom(*cat, IslandRoomKind::garden);
    stays("in another room");
    A::setViewRoom(*cat, IslandRoomKind::bedroom);
    cat->goOut();
    stays("out");
    cat->comeBack();
    // Startled but not sent hiding: with a toy.
    ASSERT_TRUE(cat->play(ShopItem::yarn));
    cat->startle(++flash);
    EXPECT_TRUE(cat->startledUntil());
    EXPECT_NE(cat->errand(), PetErrand::hide);
    const std::size_t seen = w.emotes.size();
    P::die(*cat);
    P::setStartledUntil(*cat, std::nullopt);
    cat->startle(++flash);
    EXPECT_FALSE(cat->startledUntil()) << "dead";
    EXPECT_EQ(w.emotes.size(), seen);
    w.run(2);
    EXPECT_EQ(w.count(PetSound::thunder), 1u + std::size_t(flash - 10));
}

TEST(PetFollowView, TheCatFollowsThreeSecondsLaterUnlessItSleepsWhereItIs) {
    CatWorld w;
    auto cat = w.make();
    cat->followView(IslandRoomKind::living);
    ASSERT_TRUE(cat->arrivalDue());
    EXPECT_NEAR(*cat->arrivalDue() - w.clock.now(), 3, 1e-6);
    cat->followView(IslandRoomKind::bedroom);
    EXPECT_FALSE(cat->arrivalDue()) << "back to its own room";
    // Going to bed, asleep for the night, or napping through a focus round: it stays.
    A::setRoom(*cat, IslandRoomKind::kitchen);
    A::setErrand(*cat, PetErrand::sleep);
    cat->followView(IslandRoomKind::garden);
    cat->followView(IslandRoomKind::bedroom);
    EXPECT_FALSE(cat->arrivalDue());
    A::setErrand(*cat, std::nullopt);
    cat->setSleeping(true);
    A::setNightSleepUntil(*cat, w.clock.now() + 3000);
    cat->followView(IslandRoomKind::living);
    EXPECT_FALSE(cat->arrivalDue());
    A::setNightSleepUntil(*cat, std::nullopt);
    A::setFocusNap(*cat, true);
    cat->followView(IslandRoomKind::care);
    EXPECT_FALSE(cat->arrivalDue());
    A::setFocusNap(*cat, false);
    cat->setSleeping(false);
    cat->followView(IslandRoomKind::living);
    EXPECT_TRUE(cat->arrivalDue()) << "awake, it follows";

    P::die(*cat);
    cat->followView(IslandRoomKind::care);
    EXPECT_EQ(cat->room(), IslandRoomKind::care) << "a dead cat is moved at once";
}

TEST(PetFollowView, FlippingRoomsWhileTheCatWalksToBedLeavesItGoingThere) {
    // Sent to bed from the kitchen the user looks at: by the night at the end of a sit, or by a
    // focus round.
    for (const bool night : {true, false}) {
        const char* why = night ? "at night" : "in a focus round";
        CatWorld w;
        if (night) w.sky = {SkyTime::night, SkyWeather::clear};
        auto cat = w.make();
        A::setRoom(*cat, IslandRoomKind::kitchen);
        A::setViewRoom(*cat, IslandRoomKind::kitchen);
        P::setPlace(*cat, 0.5);
        if (night)
            P::setBeat(*cat, PetBeat::sit(w.clock.now()), w.clock.now());
        else
            cat->startFocusNap();
        moveFor(w, *cat, 1.0 / 30);
        ASSERT_EQ(cat->errand(), PetErrand::sleep) << why;
        for (const IslandRoomKind tab : {IslandRoomKind::living, IslandRoomKind::garden, IslandRoomKind::care}) {
            cat->followView(tab);
            EXPECT_FALSE(cat->arrivalDue()) << why << ", room " << int(tab);
            moveFor(w, *cat, 4);  // past the 3 s a follow takes
            EXPECT_NE(int(cat->room()), int(tab)) << "followed the user " << why;
        }
        ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->isSleeping(); }, 20)) << why;
        EXPECT_EQ(cat->room(), IslandRoomKind::bedroom);
        EXPECT_EQ(cat->isNightSleeping(), night);
    }
}

TEST(PetMeals, AMealTheCatCannotEatIsRefusedAndLeftNowhere) {
    CatWorld w;
    auto cat = w.make();
    // Asleep for the night: refused, and the next plain bowl is no tuna.
    cat->setSleeping(true);
    A::setNightSleepUntil(*cat, w.clock.now() + 3000);
    EXPECT_EQ(cat->whyNotEat(), PetUnfed::asleep);
    EXPECT_FALSE(cat->feed(ShopItem::tuna));
    EXPECT_FALSE(cat->meal());
    cat->setSleeping(false);
    EXPECT_FALSE(cat->whyNotEat());
    cat->setHunger(80);
    cat->send(PetErrand::eat);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->pose() == PetPose::licking; }, 20));
    EXPECT_DOUBLE_EQ(std::round(cat->hunger()), 45) << "a plain bowl, not tuna";

    // Busy with its own thing, out on the desktop, dead: refused each time.
    cat->setPose(PetPose::scratching);
    EXPECT_EQ(cat->whyNotEat(), PetUnfed::busy);
    EXPECT_FALSE(cat->feed(ShopItem::salmon));
    cat->setPose(PetPose::sitting);
    cat->goOut();
    EXPECT_EQ(cat->whyNotEat(), PetUnfed::out);
    EXPECT_FALSE(cat->feed(ShopItem::salmon));
    EXPECT_FALSE(cat->queuedErrand());
    cat->comeBack();
    EXPECT_FALSE(cat->feed(ShopItem::rug));
    EXPECT_TRUE(cat->feed(ShopItem::treats));
    EXPECT_EQ(cat->meal(), ShopItem::treats);
    // An errand that takes over leaves the bought meal in the bowl for the next eat.
    cat->send(PetErrand::scratch);
    EXPECT_EQ(cat->meal(), ShopItem::treats);
    P::die(*cat);
    EXPECT_EQ(cat->whyNotEat(), PetUnfed::dead);
    EXPECT_FALSE(cat->feed(ShopItem::treats));
}

TEST(PetOutings, CareAskedWhileOutWaitsForTheWayHome) {
    CatWorld w;
    auto cat = w.make();
    CareLog care;
    care.attach(*cat);
    cat->goOut();
    cat->send(PetErrand::medicine);
    EXPECT_EQ(cat->queuedErrand(), PetErrand::medicine);
    EXPECT_EQ(care.keys, QStringList({"heal"})) << "counted when asked for";
    cat->followView(IslandRoomKind::kitchen);
    EXPECT_EQ(cat->queuedErrand(), PetErrand::medicine) << "looking at another room keeps it";
    cat->comeBack();
    EXPECT_EQ(cat->errand(), PetErrand::medicine);
    EXPECT_FALSE(cat->queuedErrand());
    EXPECT_EQ(care.keys, QStringList({"heal"}));

    // A clean asked for while out: the visit happens on the way home and is only a look.
    A::setErrand(*cat, std::nullopt);
    A::setRoom(*cat, IslandRoomKind::care);
    A::setViewRoom(*cat, IslandRoomKind::care);
    cat->goOut();
    cat->clean();
    EXPECT_TRUE(cat->inspectingLitter());
    cat->comeBack();
    EXPECT_EQ(cat->errand(), PetErrand::litter);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return !cat->errand(); }, 20));
    EXPECT_FALSE(cat->inspectingLitter());
    EXPECT_EQ(cat->poops(), 0);

    // Asked for in another room, then the user goes back to the cat: the request stayed behind.
    A::setViewRoom(*cat, IslandRoomKind::living);
    cat->send(PetErrand::play);
    cat->followView(IslandRoomKind::care);
    EXPECT_FALSE(cat->errand());
    EXPECT_FALSE(cat->queuedErrand());
    EXPECT_EQ(care.keys, QStringList({"heal", "clean", "play"}));

    // Dropped when the cat goes to sleep for the night: the flag goes with it, the care stays counted.
    A::setViewRoom(*cat, IslandRoomKind::living);
    cat->clean();
    EXPECT_TRUE(cat->inspectingLitter());
    cat->send(PetErrand::eat);
    cat->setSleeping(true);
    A::setNightSleepUntil(*cat, w.clock.now() + 3000);
    cat->followView(IslandRoomKind::garden);
    EXPECT_FALSE(cat->queuedErrand());
    EXPECT_FALSE(cat->inspectingLitter());
    EXPECT_EQ(care.keys, QStringList({"heal", "clean", "play", "clean", "feed"}));
}

TEST(PetOutings, AnErrandAskedForInOneRoomIsNotRunInTheNext) {
    CatWorld w;
    auto cat = w.make();
    CareLog care;
    care.attach(*cat);
    // The cat is in the bedroom; the user asks for medicine in the care room, then looks at the
    // living room before the cat came.
    cat->followView(IslandRoomKind::care);
    cat->send(PetErrand::medicine);
    ASSERT_EQ(cat->queuedErrand(), PetErrand::medicine);
    cat->followView(IslandRoomKind::living);
    EXPECT_FALSE(cat->queuedErrand());
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->room() == IslandRoomKind::living; }, 10));
    moveFor(w, *cat, 1);
    EXPECT_NE(cat->errand(), PetErrand::medicine);
    EXPECT_NE(cat->pose(), PetPose::healing);
    EXPECT_EQ(care.keys, QStringList({"heal"}));

    // Asked for while the cat is busy eating: nothing starts, the care is counted all the same.
    cat->setPose(PetPose::eating);
    EXPECT_FALSE(cat->send(PetErrand::eat));
    EXPECT_FALSE(cat->send(PetErrand::play));
    EXPECT_EQ(care.keys, QStringList({"heal", "feed", "play"}));
}

TEST(PetMeals, ABoughtMealSurvivesTheWalkToTheBowl) {
    CatWorld w;
    auto cat = w.make();
    cat->setHunger(90);
    cat->followView(IslandRoomKind::kitchen);  // the cat is still in the bedroom
    ASSERT_TRUE(cat->feed(ShopItem::tuna));
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->pose() == PetPose::licking; }, 20));
    EXPECT_EQ(cat->room(), IslandRoomKind::kitchen);
    EXPECT_DOUBLE_EQ(std::round(cat->hunger()), 35) << "tuna, not a plain bowl";
    EXPECT_FALSE(cat->meal());

    // Bought, then the user looks elsewhere before the cat came: the salmon waits for the next meal.
    cat->setHunger(90);
    cat->setHealth(50);
    cat->followView(IslandRoomKind::living);
    ASSERT_TRUE(cat->feed(ShopItem::salmon));
    cat->followView(IslandRoomKind::garden);
    EXPECT_FALSE(cat->queuedErrand());
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->room() == IslandRoomKind::garden; }, 10));
    cat->send(PetErrand::eat);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->pose() == PetPose::licking; }, 20));
    EXPECT_DOUBLE_EQ(std::round(cat->hunger()), 10);
    EXPECT_DOUBLE_EQ(std::round(cat->health()), 56);
}

TEST(PetLitter, ADeadCatsBoxCanStillBeEmptiedWithoutCareOrCoins) {
    CatWorld w;
    auto cat = w.make();
    CareLog care;
    care.attach(*cat);
    cat->setPoops(3);
    P::die(*cat);
    const double happiness = cat->happiness();
    cat->clean();
    EXPECT_EQ(cat->poops(), 0);
    EXPECT_EQ(w.readRecord()->poops, 0) << "saved";
    EXPECT_TRUE(care.keys.isEmpty());
    EXPECT_DOUBLE_EQ(cat->happiness(), happiness);
    EXPECT_FALSE(cat->errand());
    EXPECT_FALSE(cat->queuedErrand());
}

TEST(PetOutings, ACatThatDiesOutsideComesHomeDead) {
    CatWorld w;
    auto cat = w.make();
    cat->goOut();
    cat->send(PetErrand::eat);
    P::die(*cat);
    cat->comeBack();
    EXPECT_FALSE(cat->isOut());
    EXPECT_TRUE(cat->isDead());
    EXPECT_EQ(cat->pose(), PetPose::dead);
    EXPECT_EQ(countKind(*cat, PetReaction::Kind::heart), 0u);
    EXPECT_FALSE(cat->errand());
    EXPECT_FALSE(cat->queuedErrand());
    EXPECT_EQ(cat->statusLine(), "at peace");
    EXPECT_EQ(w.faces.back(), BotState::dead);
}

TEST(PetShelter, LeavingTheGardenHouseAnyWayLeavesItsDoorway) {
    CatWorld w;
    auto cat = w.make();
    const auto shelter = [&] {
        A::setRoom(*cat, IslandRoomKind::garden);
        A::setViewRoom(*cat, IslandRoomKind::garden);
        cat->send(PetErrand::shelter);
        ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->inHouse(); }, 30));
    };
    shelter();
    cat->followView(IslandRoomKind::living);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->room() == IslandRoomKind::living; }, 10));
    EXPECT_FALSE(cat->inHouse()) << "arrived in another room";
    shelter();
    ASSERT_TRUE(cat->play(ShopItem::laser));
    EXPECT_FALSE(cat->inHouse()) << "zooming after the laser";
    shelter();
    cat->goOut();
    EXPECT_FALSE(cat->inHouse()) << "out on the desktop";
    cat->comeBack();
    shelter();
    cat->restart();
    EXPECT_FALSE(cat->inHouse()) << "a new cat";
}

TEST(PetClock, SettingTheClockBackShortensNothingsWait) {
    CatWorld w;
    auto cat = w.make();
    cat->send(PetErrand::scratch);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->pose() == PetPose::scratching; }, 20));
    w.clock.advance(-600);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->pose() != PetPose::scratching; }, 3))
        << "still scratching after the clock went back";
    EXPECT_LT(cat->beat().until - cat->catTime(), 5);

    // A small step back walks, drains and springs nothing.
    cat->send(PetErrand::drink);
    moveFor(w, *cat, 0.5);
    ASSERT_TRUE(cat->isStepping());
    cat->statStep();
    const double place = cat->place(), hunger = cat->hunger();
    cat->frame(w.clock.now());
    const PetSprings springs = cat->springs();
    w.clock.advance(-0.5);
    cat->motionStep();
    cat->statStep();
    cat->frame(w.clock.now());
    EXPECT_DOUBLE_EQ(cat->place(), place);
    EXPECT_DOUBLE_EQ(cat->hunger(), hunger);
    EXPECT_DOUBLE_EQ(cat->springs().y, springs.y);
    EXPECT_DOUBLE_EQ(cat->springs().tail, springs.tail);
}

TEST(PetOutings, ACatHomeFromTheDesktopSitsInTheRoomOnViewAndDoesNotWalkInAgain) {
    CatWorld w;
    auto cat = w.make();
    A::setViewRoom(*cat, IslandRoomKind::kitchen);
    cat->goOut();
    P::setArrivalDue(*cat, w.clock.now() + 1);  // asked for while it was away
    cat->comeBack();
    EXPECT_EQ(cat->room(), IslandRoomKind::kitchen);
    const double home = cat->place();
    EXPECT_GE(home, 0.4);
    EXPECT_LE(home, 0.6);
    moveFor(w, *cat, 2);
    EXPECT_EQ(cat->room(), IslandRoomKind::kitchen);
    EXPECT_DOUBLE_EQ(cat->place(), home) << "no second entrance from the door";
    EXPECT_FALSE(cat->arrivalDue());
}
