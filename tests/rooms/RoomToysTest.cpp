// When the cat plays with its box.
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

}  // namespace
}  // namespace kp
