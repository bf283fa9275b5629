#include "RoomShapesTestKit.h"

#include "rooms/LivingFurniture.h"

#include <gtest/gtest.h>

#include <numbers>

namespace kp {
namespace {

TEST(LivingFurniture, ButtonsStandWhereTheErrandsGo) {
    RoomFrame f = test::roomFrame(100, 640, 214);  // floor line 180
    f.ballX = 300;
    RoomHotspots hot;
    addLivingHotspots(f, LivingState{}, hot);
    ASSERT_EQ(hot.size(), 3);
    // The TV stands on the floor line; the ball's button goes wherever the model rolled it.
    EXPECT_EQ(hot[0].action, RoomAction::errand(PetErrand::watchTV));
    EXPECT_NEAR(hot[0].area.bottom(), 180, 1e-9);
    EXPECT_EQ(hot[1].action, RoomAction::errand(PetErrand::lounge));
    EXPECT_EQ(hot[2].action, RoomAction::errand(PetErrand::play));
    EXPECT_NEAR(hot[2].area.center().x(), 300, 1e-9);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(hot[i].enabled);

    hot.clear();
    addLivingHotspots(f, LivingState{false, true}, hot);
    for (int i = 0; i < hot.size(); ++i) EXPECT_FALSE(hot[i].enabled);
}

}  // namespace
}  // namespace kp
