// The box play's timeline as the cat moves through it, and the words shown for a pose.
#include "rooms/RoomCatState.h"
#include "rooms/RoomToys.h"

#include <gtest/gtest.h>

namespace kp {
namespace {

TEST(RoomToys, BoxPlayOnlyForASittingCatWithAStartedBox) {
    EXPECT_FALSE(boxPlay(ShopItem::box, PetPose::sitting, false, std::nullopt));
    EXPECT_FALSE(boxPlay(ShopItem::yarn, PetPose::sitting, false, 3.0));
    EXPECT_FALSE(boxPlay(ShopItem::box, PetPose::walking, false, 3.0));
    EXPECT_FALSE(boxPlay(ShopItem::box, PetPose::sitting, true, 3.0));
    EXPECT_TRUE(boxPlay(ShopItem::box, PetPose::sitting, false, 3.0));
}

RoomCatState catAt(PetPose pose) {
    RoomCatState c;
    c.pose = pose;
    c.x = 300;
    c.y = 100;
    c.s = 1;
    c.f = 1;
    c.headOffset = {5, -13};
    return c;
}

TEST(RoomToys, WatchingMarksAskOnceThenTwiceThenRest) {
    const RoomCatState c = catAt(PetPose::watching);
    const double base = 6.5 * 1000;
    PoseEffect e = poseEffect(c, base + 0.5);
    ASSERT_EQ(e.words.size(), 1u);
    EXPECT_EQ(e.words[0], u"?");
    EXPECT_EQ(e.opacity, 1);
    e = poseEffect(c, base + 1.2);
    EXPECT_EQ(e.words[0], u"??");
    EXPECT_EQ(e.opacity, 1);
    EXPECT_EQ(poseEffect(c, base + 2.0).opacity, 0);
    EXPECT_EQ(poseEffect(c, base + 6.4).opacity, 0);
}

}  // namespace
}  // namespace kp
