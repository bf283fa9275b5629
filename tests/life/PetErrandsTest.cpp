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

bool finishErrand(CatWorld& w, PetLife& cat, double limit = 120) {
    return moveUntil(w, cat, [&] { return !cat.errand(); }, limit);
}

}  // namespace

TEST(PetErrands, EatingAtTheBowlFeedsThenSchedulesOneDropping) {
    CatWorld w;
    auto cat = w.make();
    cat->setHunger(80);
    cat->send(PetErrand::eat);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->pose() == PetPose::eating; }, 5));
    EXPECT_EQ(cat->hunger(), 80) << "nothing eaten yet";
    ASSERT_TRUE(finishErrand(w, *cat, 3));
    EXPECT_DOUBLE_EQ(cat->hunger(), 45);
    EXPECT_EQ(cat->pose(), PetPose::licking);
    EXPECT_GE(w.count(PetSound::nom), 2u);
    ASSERT_TRUE(cat->poopDue());
    const double due = *cat->poopDue();
    EXPECT_NEAR(due - w.clock.now(), 216, 1e-6);  // 0.12 x 1800
    cat->send(PetErrand::eat);
    ASSERT_TRUE(finishErrand(w, *cat, 6));
    EXPECT_DOUBLE_EQ(*cat->poopDue(), due) << "eating again leaves the dropping where it is";
}

TEST(PetErrands, EachErrandEndsWithTheCatSittingFreeAgain) {
    const std::pair<IslandRoomKind, PetErrand> errands[] = {
        {IslandRoomKind::bedroom, PetErrand::scratch}, {IslandRoomKind::bedroom, PetErrand::window},
        {IslandRoomKind::kitchen, PetErrand::sniff}, {IslandRoomKind::living, PetErrand::watchTV},
        {IslandRoomKind::care, PetErrand::medicine}};
    for (const auto& [room, errand] : errands) {
        CatWorld w;
        auto cat = w.make();
        putIn(*cat, room);
        cat->send(errand);
        ASSERT_TRUE(finishErrand(w, *cat, 60)) << int(errand);
        EXPECT_EQ(cat->pose(), PetPose::sitting) << int(errand);
        EXPECT_EQ(cat->beat().kind, PetBeat::Kind::sit) << int(errand);
    }
}

TEST(PetErrands, ACatGoesStraightToTheTargetRoomAndSleepsThereOutOfSight) {
    CatWorld w;
    auto cat = w.make();
    putIn(*cat, IslandRoomKind::garden);
    P::setPlace(*cat, 0.5);
    cat->send(PetErrand::sleep);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->room() != IslandRoomKind::garden; }, 5));
    EXPECT_EQ(cat->room(), IslandRoomKind::bedroom) << "not through the rooms between";
    EXPECT_DOUBLE_EQ(cat->place(), 1.06);
    ASSERT_TRUE(finishErrand(w, *cat, 15));
    EXPECT_TRUE(cat->isSleeping());
    EXPECT_FALSE(cat->nightSleepUntil()) << "daytime: a nap";
}

TEST(PetErrands, TheLitterBoxHoldsFourAndAFullOneSaddens) {
    CatWorld w;
    auto cat = w.make();
    putIn(*cat, IslandRoomKind::care);
    cat->setHappiness(60);
    cat->setPoops(2);
    cat->send(PetErrand::litter);
    ASSERT_TRUE(finishErrand(w, *cat, 10));
    EXPECT_EQ(cat->poops(), 3);
    EXPECT_DOUBLE_EQ(cat->happiness(), 52);
    cat->setPoops(4);
    cat->send(PetErrand::litter);
    ASSERT_TRUE(finishErrand(w, *cat, 5));
    EXPECT_EQ(cat->poops(), 4);
}

TEST(PetMotionStep, OutAsleepOrDeadTheCatStaysPutButAnArrivalStillComes) {
    CatWorld w;
    auto cat = w.make();
    P::setPlace(*cat, 0.3);
    A::setOut(*cat, true);
    cat->startErrand(PetErrand::scratch);
    P::setArrivalDue(*cat, w.clock.now());
    moveFor(w, *cat, 2);
    EXPECT_DOUBLE_EQ(cat->place(), 0.3);
    EXPECT_TRUE(cat->arrivalDue()) << "kept for later";
    A::setOut(*cat, false);
    A::setErrand(*cat, std::nullopt);
    P::setArrivalDue(*cat, std::nullopt);
    cat->setSleeping(true);
    moveFor(w, *cat, 2);
    EXPECT_DOUBLE_EQ(cat->place(), 0.3);

    // A due arrival wakes it on the way in from the kitchen, on the right.
    A::setRoom(*cat, IslandRoomKind::kitchen);
    P::setArrivalDue(*cat, w.clock.now() + 0.5);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return !cat->arrivalDue(); }, 1));
    EXPECT_FALSE(cat->isSleeping());
    EXPECT_EQ(cat->room(), IslandRoomKind::bedroom);
    EXPECT_DOUBLE_EQ(cat->place(), 1.06);
    EXPECT_FALSE(cat->facingRight());
    P::die(*cat);
    const double place = cat->place();
    moveFor(w, *cat, 2);
    EXPECT_DOUBLE_EQ(cat->place(), place);
}

TEST(PetErrands, PlayingInTheSnowCheersTheCatAndTiresItALittle) {
    CatWorld w;
    w.sky = {SkyTime::day, SkyWeather::snow};
    auto cat = w.make();
    putIn(*cat, IslandRoomKind::garden);
    cat->setHappiness(50);
    cat->setEnergy(50);
    cat->startErrand(PetErrand::snowPlay);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->pose() == PetPose::batting; }, 10));
    EXPECT_EQ(w.count(PetSound::trill), 1u);
    ASSERT_FALSE(cat->reactions().empty());
    EXPECT_EQ(cat->reactions().back().text, QStringLiteral("\u2744"));
    ASSERT_TRUE(finishErrand(w, *cat, 12));
    EXPECT_DOUBLE_EQ(cat->happiness(), 56);
    EXPECT_DOUBLE_EQ(cat->energy(), 47);
    EXPECT_EQ(cat->pose(), PetPose::sitting);
}

TEST(PetErrands, ACatAHairFromItsSpotStepsExactlyOntoIt) {
    for (const double from : {0.51, 0.49}) {
        CatWorld w;
        auto cat = w.make();
        P::setPlace(*cat, from);
        cat->send(PetErrand::eat);
        moveFor(w, *cat, 1.0 / 30);
        EXPECT_EQ(cat->place(), 0.5) << "at the bowl, from " << from;
        EXPECT_FALSE(cat->isStepping());
        EXPECT_EQ(cat->pose(), PetPose::eating);
    }
}

TEST(PetErrands, ACatBoundForAnotherRoomWalksOutOfThisOneAndInAtTheFarSide) {
    struct Trip {
        IslandRoomKind from;
        PetErrand errand;
        IslandRoomKind to;
        double exit, entry;
    };
    for (const Trip& trip : {Trip{IslandRoomKind::garden, PetErrand::sleep, IslandRoomKind::bedroom, -0.08, 1.06},
                             Trip{IslandRoomKind::bedroom, PetErrand::litter, IslandRoomKind::care, 1.08, -0.06}}) {
        CatWorld w;
        auto cat = w.make();
        putIn(*cat, trip.from);
        P::setPlace(*cat, 0.5);
        const double start = w.clock.now();
        cat->send(trip.errand);
        const bool rightward = trip.exit > 0.5;
        moveFor(w, *cat, 1);
        EXPECT_EQ(cat->room(), trip.from) << "still walking to the door";
        EXPECT_NEAR(cat->place(), rightward ? 0.68 : 0.32, 0.01);
        EXPECT_EQ(cat->facingRight(), rightward);
        EXPECT_TRUE(cat->isStepping());
        ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->room() != trip.from; }, 5));
        EXPECT_NEAR(w.clock.now() - start, std::abs(trip.exit - 0.5) / 0.18, 0.1)
            << "across the room at an errand's pace";
        EXPECT_EQ(cat->room(), trip.to);
        EXPECT_DOUBLE_EQ(cat->place(), trip.entry);
        EXPECT_EQ(cat->facingRight(), rightward);
    }
}
