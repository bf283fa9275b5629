// Room names, the per-room tables and the room geometry every layer shares.
#include "rooms/RoomKinds.h"
#include "rooms/RoomKit.h"
#include "rooms/RoomScene.h"

#include <gtest/gtest.h>

using namespace kp;

TEST(RoomKinds, RawValuesMatchExactlyAndNothingElse) {
    EXPECT_EQ(roomKindFromRaw("bedroom"), IslandRoomKind::bedroom);
    for (IslandRoomKind kind : {IslandRoomKind::living, IslandRoomKind::kitchen, IslandRoomKind::care, IslandRoomKind::garden})
        EXPECT_EQ(roomKindFromRaw(roomKindRaw(kind)), kind);
    for (const char* wrong : {"Bedroom", "GARDEN", "livingroom", "kitchen ", "", "bedrom"})
        EXPECT_FALSE(roomKindFromRaw(wrong).has_value()) << wrong;
    EXPECT_EQ(roomKindRaw(IslandRoomKind::care), "care");
}

TEST(RoomKit, HotspotsAnswerTopmostFirstAndDropBeyondCapacity) {
    RoomHotspots hot;
    hot.add(QRectF(0, 0, 100, 100), RoomAction::errand(PetErrand::eat));
    hot.add(QRectF(50, 50, 100, 100), RoomAction::errand(PetErrand::drink), false);
    ASSERT_NE(hot.at({60, 60}), nullptr);
    EXPECT_EQ(hot.at({60, 60})->action, RoomAction::errand(PetErrand::drink));
    EXPECT_FALSE(hot.at({60, 60})->enabled);
    EXPECT_EQ(hot.at({10, 10})->action, RoomAction::errand(PetErrand::eat));
    EXPECT_EQ(hot.at({300, 300}), nullptr);
    QTransform shift;
    shift.translate(1000, 0);
    hot.mapFrom(1, shift);
    EXPECT_EQ(hot.at({60, 60})->action, RoomAction::errand(PetErrand::eat));
    for (int i = 0; i < 100; ++i) hot.add(QRectF(0, 0, 1, 1), {});
    EXPECT_EQ(hot.size(), RoomHotspots::capacity);
    hot.clear();
    EXPECT_EQ(hot.size(), 0);
}

TEST(RoomScene, LayersFollowTheCatAndTheRoom) {
    RoomFrame f;
    f.kind = IslandRoomKind::garden;
    f.look.weather = SkyWeather::storm;
    RoomSceneInputs in;
    in.inHouse = true;
    RoomStackPlan plan = planRoomStack(f, in);
    EXPECT_TRUE(plan.gardenBackdrop);
    EXPECT_TRUE(plan.gardenWeather);
    EXPECT_TRUE(plan.stormFlash);
    EXPECT_TRUE(plan.cat);
    EXPECT_TRUE(plan.houseFront);
    EXPECT_FALSE(plan.holiday);

    // Out on the desktop, or in another room: no cat, no house front.
    in.catOut = true;
    plan = planRoomStack(f, in);
    EXPECT_FALSE(plan.cat);
    EXPECT_FALSE(plan.houseFront);
    in.catOut = false;
    in.catInShownRoom = false;
    EXPECT_FALSE(planRoomStack(f, in).cat);
}
