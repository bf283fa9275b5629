#include "PetProbe.h"

#include <gtest/gtest.h>

using namespace kp;
using kp::test::CatWorld;
using kp::test::moveUntil;
using A = kp::PetLifeTestAccess;
using P = kp::PetLifeProbe;

TEST(PetStatusLine, OutsideAndInOtherRooms) {
    CatWorld w;
    auto cat = w.make();
    cat->goOut();
    P::setZooming(*cat, true);
    EXPECT_EQ(cat->statusLine(), "out exploring");
    cat->sleepOutside();
    EXPECT_EQ(cat->statusLine(), "napping outside");
    cat->comeBack();

    A::setRoom(*cat, IslandRoomKind::kitchen);
    EXPECT_EQ(cat->statusLine(), "in another room");
    A::setErrand(*cat, PetErrand::sleep);
    EXPECT_EQ(cat->statusLine(), "off to bed");
    A::setErrand(*cat, PetErrand::sulk);
    EXPECT_EQ(cat->statusLine(), "off sulking");

    // A dead cat reads by its pose and mood, wherever it lies.
    A::setErrand(*cat, std::nullopt);
    P::die(*cat);
    EXPECT_EQ(cat->statusLine(), "at peace");
}

TEST(PetStatusLine, SnowPlayOnTheWayAndInTheGarden) {
    CatWorld w;
    w.sky = SkyLook{SkyTime::day, SkyWeather::snow};
    auto cat = w.make();
    cat->send(PetErrand::snowPlay);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->room() == IslandRoomKind::garden; }, 10));
    EXPECT_EQ(cat->statusLine(), "in the garden");
    cat->followView(IslandRoomKind::garden);
    P::setArrivalDue(*cat, std::nullopt);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->pose() == PetPose::batting; }, 10));
    EXPECT_EQ(cat->statusLine(), "in the snow");
    A::setErrand(*cat, std::nullopt);
    EXPECT_EQ(cat->statusLine(), "playing");
}

TEST(PetStatusLine, NightSleepOnlyWhileAsleep) {
    CatWorld w;
    auto cat = w.make();
    A::setNightSleepUntil(*cat, w.clock.now() + 600);
    EXPECT_FALSE(cat->isNightSleeping());
    cat->setSleeping(true);
    A::setNightSleepUntil(*cat, w.clock.now() + 600);
    EXPECT_TRUE(cat->isNightSleeping());
    EXPECT_EQ(cat->statusLine(), "fast asleep");
}

TEST(PetAgeText, MinutesHoursDays) {
    CatWorld w;
    auto cat = w.make();
    const double t = w.clock.now();
    const std::pair<double, const char*> ages[] = {
        {0, "1m"},       {20, "1m"},        {119, "1m"},      {3599, "59m"}, {3600, "1h"},
        {86399, "23h"},  {86400, "1d"},     {3 * 86400 + 5, "3d"}, {400 * 86400.0, "400d"},
    };
    for (const auto& [age, text] : ages) {
        A::setBirth(*cat, t - age);
        EXPECT_EQ(cat->ageText(), text) << age;
    }
}
