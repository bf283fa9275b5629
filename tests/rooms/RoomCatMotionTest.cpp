// The pointer report and the pose readers: leg swing, face washing, front paw, face.
#include "rooms/RoomCatMotion.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kp {
namespace {

constexpr double kMiddle = 720;  // a 1440-point screen
constexpr double kW = 640;       // room from x 400 to 1040

TEST(RoomCatPointer, ShareOfTheRoomWithBothEdgesIncluded) {
    EXPECT_DOUBLE_EQ(*cursorShare(IslandMode::expanded, {400, 10}, kMiddle, 160, kW), 0.0);
    EXPECT_DOUBLE_EQ(*cursorShare(IslandMode::expanded, {1040, 10}, kMiddle, 160, kW), 1.0);
    EXPECT_DOUBLE_EQ(*cursorShare(IslandMode::expanded, {720, 160}, kMiddle, 160, kW), 0.5);
    EXPECT_FALSE(cursorShare(IslandMode::expanded, {399, 10}, kMiddle, 160, kW));
    EXPECT_FALSE(cursorShare(IslandMode::expanded, {1041, 10}, kMiddle, 160, kW));
    // Below the island, or not open: no pointer, wherever it is.
    EXPECT_FALSE(cursorShare(IslandMode::expanded, {720, 161}, kMiddle, 160, kW));
    EXPECT_FALSE(cursorShare(IslandMode::expanded, {720, -1}, kMiddle, 160, kW));
    EXPECT_FALSE(cursorShare(IslandMode::compact, {720, 10}, kMiddle, 160, kW));
    EXPECT_FALSE(cursorShare(IslandMode::hidden, {720, 10}, kMiddle, 160, kW));
}

TEST(RoomCatMotion, WashesFaceOnlySittingSettledAndUnloved) {
    CatMotionInputs in;
    in.pose = PetPose::sitting;
    in.springSit = 0.9;
    const double t = 800.0 - 1.3 + 0.5;  // fmod(t + 1.3, 8) = 0.5
    EXPECT_TRUE(isWashingFace(in, t));
    EXPECT_FALSE(isWashingFace(in, t + 1.2));  // 1.7 into the period
    in.lovedUntil = t + 1;
    EXPECT_FALSE(isWashingFace(in, t));
    in.lovedUntil = t - 1;  // love that has passed
    EXPECT_TRUE(isWashingFace(in, t));
    in.springSit = 0.8;
    EXPECT_FALSE(isWashingFace(in, t));
    in.springSit = 0.9;
    in.stepping = true;
    EXPECT_FALSE(isWashingFace(in, t));
}

TEST(RoomCatMotion, FaceOverride) {
    const double t = 100;
    CatMotionInputs in;
    in.pose = PetPose::eating;
    EXPECT_EQ(faceOverride(in, false, t), CatExpression::eating);
    EXPECT_EQ(faceOverride(in, true, t), CatExpression::asleep);
    in.dead = true;
    EXPECT_EQ(faceOverride(in, true, t), CatExpression::dead);
    in = {};
    in.pose = PetPose::hiding;
    EXPECT_EQ(faceOverride(in, false, t), CatExpression::surprised);
    in.pose = PetPose::bellyUp;
    EXPECT_EQ(faceOverride(in, false, t), CatExpression::happy);
    in.pose = PetPose::sitting;
    EXPECT_EQ(faceOverride(in, false, t), std::nullopt);
    in.lovedUntil = t + 2;
    EXPECT_EQ(faceOverride(in, false, t), CatExpression::happy);
}

}  // namespace
}  // namespace kp
