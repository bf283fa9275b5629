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
    EXPECT_EQ(cat->statusLine(), "in another room");
    A::setRoom(*cat, IslandRoomKind::bedroom);
    cat->setSleeping(true);
    A::setNightSleepUntil(*cat, w.clock.now() + 600);
    EXPECT_EQ(cat->statusLine(), "fast asleep");
    A::setBirth(*cat, w.clock.now() - 3 * 86400 - 5);
    EXPECT_EQ(cat->ageText(), "3d");
}
