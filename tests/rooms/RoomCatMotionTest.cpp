// The pointer report: where over the room it is, and when there is none.
#include "rooms/RoomCatMotion.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kp {
namespace {

constexpr double kW = 640;  // the room, measured from its top-left corner

TEST(RoomCatPointer, ShareOfTheRoomWithBothEdgesIncluded) {
    EXPECT_DOUBLE_EQ(*cursorShare(IslandMode::expanded, {0, 10}, 160, kW), 0.0);
    EXPECT_DOUBLE_EQ(*cursorShare(IslandMode::expanded, {640, 10}, 160, kW), 1.0);
    EXPECT_DOUBLE_EQ(*cursorShare(IslandMode::expanded, {320, 160}, 160, kW), 0.5);
    EXPECT_FALSE(cursorShare(IslandMode::expanded, {-1, 10}, 160, kW));
    EXPECT_FALSE(cursorShare(IslandMode::expanded, {641, 10}, 160, kW));
    // Below the island, or not open: no pointer, wherever it is.
    EXPECT_FALSE(cursorShare(IslandMode::expanded, {320, 161}, 160, kW));
    EXPECT_FALSE(cursorShare(IslandMode::expanded, {320, -1}, 160, kW));
    EXPECT_FALSE(cursorShare(IslandMode::compact, {320, 10}, 160, kW));
    EXPECT_FALSE(cursorShare(IslandMode::hidden, {320, 10}, 160, kW));
}

}  // namespace
}  // namespace kp
