// The pointer report: where over the room it is, and when there is none.
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

}  // namespace
}  // namespace kp
