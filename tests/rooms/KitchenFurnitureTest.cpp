#include "RoomShapesTestKit.h"

#include "platform/Dates.h"
#include "rooms/KitchenFurniture.h"

#include <gtest/gtest.h>

#include <QTime>

namespace kp {
namespace {

TEST(KitchenFurniture, BowlsAreTheirOwnButtonsThreePointsLow) {
    const RoomFrame f = test::roomFrame(10, 640, 160);
    RoomHotspots hot;
    addKitchenHotspots(f, KitchenState{}, hot);
    ASSERT_EQ(hot.size(), 2);
    EXPECT_EQ(hot[0].action, RoomAction::errand(PetErrand::eat));
    EXPECT_EQ(hot[1].action, RoomAction::errand(PetErrand::drink));
    for (int i = 0; i < 2; ++i) {
        EXPECT_NEAR(hot[i].area.bottom(), f.floorLine + 3, 1e-9);
        EXPECT_TRUE(hot[i].enabled);
    }
    // Pressing the water bowl finds the drink errand, never the food bowl's.
    EXPECT_EQ(hot.at({0.47 * 640, f.floorLine - 2})->action, RoomAction::errand(PetErrand::drink));
    KitchenState dead;
    dead.catDead = true;
    hot.clear();
    addKitchenHotspots(f, dead, hot);
    EXPECT_FALSE(hot[0].enabled);
    EXPECT_FALSE(hot[1].enabled);
}

TEST(KitchenFurniture, FridgeKeepsItsPlaceWhateverTheWidth) {
    for (double width : {480.0, 640.0, 820.0}) {
        const RoomFrame f = test::roomFrame(10, width, 160);
        QImage img = test::canvas(width, 160);
        QPainter p(&img);
        paintKitchenFurniture(p, f, KitchenState{});
        p.end();
        EXPECT_TRUE(test::near(img, 54 - 8, f.floorLine - 10, "#F4F7F8")) << width;
        // The stove moves with the width.
        EXPECT_TRUE(test::near(img, 0.66 * width - 20, f.floorLine - 2, "#E9E4DC")) << width;
        // The bowls reach 3 points below the floor line, nothing further.
        EXPECT_LE(test::paintedBounds(img).bottom(), f.floorLine + 3);
    }
}

TEST(KitchenFurniture, RipplesOnlyWhileDrinking) {
    auto render = [](bool drinking) {
        QImage img = test::canvas(60, 40);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        drawWaterBowl(p, {30, 36}, 2, drinking, 0.1);
        p.end();
        return img;
    };
    const QImage still = render(false), drinking = render(true);
    EXPECT_NE(still, drinking);
    // Ring 0 at p = 0.22 is 7.1 wide: it shows white beyond the surface's middle.
    EXPECT_GT(test::countNear(drinking, QRect(0, 0, 60, 40), "#FFFFFF", 30),
              test::countNear(still, QRect(0, 0, 60, 40), "#FFFFFF", 30));
}

TEST(KitchenFurniture, TheWallClockShowsTheFramesLocalTime) {
    // The frame's own moment, not the moment it happens to be drawn at: 3:00 and 3:15 in the
    // afternoon, local time.
    const auto at = [](int hour, int minute) {
        return referenceFromDate(QDateTime(QDate(2026, 12, 7), QTime(hour, minute)));
    };
    const RoomModels none;
    const ClockHands three = kitchenState(none, at(15, 0)).clock;
    EXPECT_DOUBLE_EQ(three.minuteDegrees, 0);
    EXPECT_DOUBLE_EQ(three.hourDegrees, 90);
    EXPECT_DOUBLE_EQ(kitchenState(none, at(15, 15)).clock.minuteDegrees, 90);
    // The hand moves on the minute, frame by frame, either way in time.
    EXPECT_DOUBLE_EQ(kitchenState(none, at(15, 15) - 1.0 / 60).clock.minuteDegrees, 84);
    EXPECT_DOUBLE_EQ(kitchenState(none, at(15, 15) + 59.9).clock.minuteDegrees, 90);
    EXPECT_DOUBLE_EQ(kitchenState(none, at(15, 16)).clock.minuteDegrees, 96);
    EXPECT_DOUBLE_EQ(kitchenState(none, at(15, 0) - 1.0 / 60).clock.hourDegrees, 90 - 0.5);
}

}  // namespace
}  // namespace kp
