#include "PetProbe.h"

#include <gtest/gtest.h>

using namespace kp;
using kp::test::CatWorld;
using A = kp::PetLifeTestAccess;
using P = kp::PetLifeProbe;

TEST(PetStatusLine, InOtherRoomsAsleepAndTheAge) {
    CatWorld w;
    auto cat = w.make();
    A::setRoom(*cat, IslandRoomKind::kitchen);
    EXPECT_EQ(cat->statusLine(), "elsewhere");
    A::setRoom(*cat, IslandRoomKind::bedroom);
    cat->setSleeping(true);
    A::setNightSleepUntil(*cat, w.clock.now() + 600);
    EXPECT_EQ(cat->statusLine(), "fast asleep");
    A::setBirth(*cat, w.clock.now() - 3 * 86400 - 5);
    EXPECT_EQ(cat->ageText(), "3d");
}

// Every quoted status text, word for word, from the state that shows it.
TEST(PetStatusLine, EveryQuotedTextAsWritten) {
    using E = PetErrand;
    using Pose = PetPose;
    struct Case {
        const char* text;
        Pose pose = Pose::walking;
        std::optional<E> errand = {};  // a perch for the lookout
        PetMood mood = PetMood::idle;
        SkyWeather weather = SkyWeather::clear;
        bool elsewhere = false, out = false, asleep = false, zooming = false;
    };
    const Case cases[] = {
        {.text = "napping outside", .out = true, .asleep = true},
        {.text = "out exploring", .pose = Pose::eating, .out = true, .zooming = true},
        {.text = "out in the garden", .errand = E::stroll, .elsewhere = true},
        {.text = "out in the garden", .errand = E::snowPlay, .elsewhere = true},
        {.text = "zoomies!", .zooming = true},
        {.text = "playing in the snow", .pose = Pose::batting, .errand = E::snowPlay},
        {.text = "playing", .pose = Pose::batting},
        {.text = "scratching", .pose = Pose::scratching},
        {.text = "eating", .pose = Pose::eating},
        {.text = "playing", .pose = Pose::playing},
        {.text = "watching TV", .pose = Pose::watching},
        {.text = "watching the rain", .pose = Pose::perched, .weather = SkyWeather::rain},
        {.text = "watching the rain", .pose = Pose::perched, .weather = SkyWeather::storm},
        {.text = "watching the snow", .pose = Pose::perched, .weather = SkyWeather::snow},
        {.text = "at the window", .pose = Pose::perched, .weather = SkyWeather::cloudy},
        {.text = "making biscuits", .pose = Pose::kneading},
        {.text = "yum", .pose = Pose::licking},
        {.text = "drinking", .pose = Pose::drinking},
        {.text = "sniffing", .pose = Pose::sniffing},
        {.text = "busy\u2026", .pose = Pose::digging},
        {.text = "on the TV", .pose = Pose::lookout, .errand = E::tvTop},
        {.text = "on the carrier", .pose = Pose::lookout, .errand = E::carrierTop},
        {.text = "on the fridge", .pose = Pose::lookout, .errand = E::fridgeTop},
        {.text = "on his shelf", .pose = Pose::lookout, .errand = E::catShelf},
        {.text = "hiding from the thunder", .pose = Pose::hiding, .errand = E::hide},
        {.text = "belly up", .pose = Pose::bellyUp},
        {.text = "sleeping", .pose = Pose::sleeping},
        {.text = "idle"},
        {.text = "hungry", .mood = PetMood::hungry},
        {.text = "sad", .mood = PetMood::sad},
        {.text = "sleepy", .mood = PetMood::sleepy},
        {.text = "sick", .mood = PetMood::sick},
        {.text = "sleeping", .mood = PetMood::sleeping},
        {.text = "eating", .mood = PetMood::eating},
        {.text = "at peace", .mood = PetMood::dead},
    };
    for (const Case& c : cases) {
        CatWorld w;
        w.sky.weather = c.weather;
        auto cat = w.make();
        cat->setPose(c.pose);
        A::setErrand(*cat, c.errand);
        if (c.pose == Pose::lookout) A::setHighSpot(*cat, *c.errand, w.clock.now());
        P::setMood(*cat, c.mood);
        if (c.elsewhere) A::setRoom(*cat, IslandRoomKind::kitchen);
        A::setOut(*cat, c.out);
        if (c.asleep) cat->setSleeping(true);
        P::setZooming(*cat, c.zooming);
        EXPECT_EQ(cat->statusLine(), QString::fromUtf8(c.text)) << c.text;
    }
}
