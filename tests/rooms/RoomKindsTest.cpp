// Room names, the per-room tables and the room geometry every layer shares.
#include "rooms/RoomKinds.h"
#include "rooms/RoomKit.h"
#include "rooms/RoomScene.h"

#include <gtest/gtest.h>

using namespace kp;

TEST(RoomKinds, RawValuesMatchExactlyAndNothingElse) {
    EXPECT_EQ(roomKindFromRaw("bedroom"), IslandRoomKind::bedroom);
    EXPECT_EQ(roomKindFromRaw("living"), IslandRoomKind::living);
    EXPECT_EQ(roomKindFromRaw("kitchen"), IslandRoomKind::kitchen);
    EXPECT_EQ(roomKindFromRaw("care"), IslandRoomKind::care);
    EXPECT_EQ(roomKindFromRaw("garden"), IslandRoomKind::garden);
    for (const char* wrong : {"Bedroom", "GARDEN", "livingroom", "kitchen ", "", "bedrom"})
        EXPECT_FALSE(roomKindFromRaw(wrong).has_value()) << wrong;
    EXPECT_EQ(roomKindRaw(IslandRoomKind::care), "care");
    EXPECT_EQ(roomIndex(IslandRoomKind::garden), 4);
}

TEST(RoomKit, OpeningFractionRunsFrom36To126Points) {
    EXPECT_DOUBLE_EQ(room::openingFraction(0), 0);
    EXPECT_DOUBLE_EQ(room::openingFraction(36), 0);
    EXPECT_DOUBLE_EQ(room::openingFraction(81), 0.5);
    EXPECT_DOUBLE_EQ(room::openingFraction(126), 1);
    EXPECT_DOUBLE_EQ(room::openingFraction(400), 1);
    EXPECT_DOUBLE_EQ(room::openingScale(0), 0.92);
    EXPECT_DOUBLE_EQ(room::floorLine(160), 126);
}

TEST(RoomKit, ZonesBesideTheNotchNeverTakeTheNotchNarrowerThan184) {
    EXPECT_DOUBLE_EQ(room::sideZoneWidth(640, 184), 208);
    EXPECT_DOUBLE_EQ(room::sideZoneWidth(640, 100), 208);
    EXPECT_DOUBLE_EQ(room::sideZoneWidth(640, 284), 158);
    EXPECT_DOUBLE_EQ(room::sideZoneWidth(180, 184), 0);
    const QRectF left = room::leftZone(640, 184), right = room::rightZone(640, 184);
    EXPECT_DOUBLE_EQ(left.left(), 12);
    EXPECT_DOUBLE_EQ(right.right(), 628);
    EXPECT_DOUBLE_EQ(left.top(), 6);
    // The notch's own span (plus 8 each side) stays free between them.
    EXPECT_DOUBLE_EQ(right.left() - left.right(), 200);
}

TEST(RoomKit, FloorPiecesStandOnTheFloorLineAndWallPiecesCentreOnTheirPoint) {
    const QSizeF size(40, 20);
    const QTransform stand = room::standAt(100, 126, size);
    EXPECT_EQ(stand.map(QPointF(20, 20)), QPointF(100, 126));  // bottom centre
    EXPECT_EQ(stand.map(QPointF(0, 0)), QPointF(100 - 26, 126 - 26));
    // A lift of -3 lowers the piece by 3 points.
    EXPECT_EQ(room::standAt(100, 126, size, room::furnitureLift).map(QPointF(20, 20)), QPointF(100, 129));
    const QTransform wall = room::wallAt({50, 60}, size);
    EXPECT_EQ(wall.map(QPointF(20, 10)), QPointF(50, 60));
    const QTransform hang = room::hangAt({50, 60}, size);
    EXPECT_EQ(hang.map(QPointF(20, 0)), QPointF(50, 50));  // the top edge stays put
    EXPECT_EQ(room::placedRect(stand, size), QRectF(74, 100, 52, 26));
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

TEST(RoomScene, LayersFollowTheCatTheRoomAndTheCards) {
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
    EXPECT_EQ(plan.card, RoomCard::none);

    // Out on the desktop, or in another room: no cat, no house front.
    in.catOut = true;
    plan = planRoomStack(f, in);
    EXPECT_FALSE(plan.cat);
    EXPECT_FALSE(plan.houseFront);
    in.catOut = false;
    in.catInShownRoom = false;
    EXPECT_FALSE(planRoomStack(f, in).cat);

    // A dead cat shows the farewell and never the intro or the offer.
    f.kind = IslandRoomKind::bedroom;
    in = {};
    in.dead = true;
    in.introStep = 0;
    in.shopOn = true;
    in.offerTomatoClock = true;
    EXPECT_EQ(planRoomStack(f, in).card, RoomCard::farewell);
    in.dead = false;
    EXPECT_EQ(planRoomStack(f, in).card, RoomCard::intro);
    // The intro only in the bedroom and only with the shop on.
    in.shopOn = false;
    EXPECT_EQ(planRoomStack(f, in).card, RoomCard::offer);
    in.shopOn = true;
    f.kind = IslandRoomKind::kitchen;
    EXPECT_EQ(planRoomStack(f, in).card, RoomCard::offer);
    in.offerTomatoClock = false;
    EXPECT_EQ(planRoomStack(f, in).card, RoomCard::none);
}

TEST(RoomScene, ReactionsScaleWithTheCatAndTheOpening) {
    EXPECT_NEAR(reactionScale(1.0, 1.0), 0.94, 1e-12);
    EXPECT_NEAR(reactionScale(0.6, 0.0), 0.6 * 0.94 * 0.83, 1e-12);
    RoomFrame f;
    EXPECT_NEAR(reactionBaseline(f, 0.94), 126 - 28.2, 1e-9);
    EXPECT_EQ(farewellCardCentre(f), QPointF(320, 0.46 * 160));
    EXPECT_EQ(roomCardCentre(f), QPointF(320, 92));
}
