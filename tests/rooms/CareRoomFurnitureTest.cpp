#include "RoomShapesTestKit.h"

#include "rooms/CareRoomFurniture.h"
#include "rooms/RoomShapesScenery.h"
#include "scenery/Sprites.h"

#include <gtest/gtest.h>

namespace kp {
namespace {

TEST(CareRoomFurniture, HeartMonitorFollowsHealth) {
    EXPECT_FALSE(heartMonitorState(100, 0).low);
    EXPECT_FALSE(heartMonitorState(40, 0).low);
    EXPECT_TRUE(heartMonitorState(39.9, 0).low);
    // A weaker cat's heart beats faster.
    EXPECT_LT(heartMonitorState(100, 0.3).phase, heartMonitorState(0, 0.3).phase);
    const double phase = heartMonitorState(73, 8.0e8 + 0.3).phase;
    EXPECT_GE(phase, 0);
    EXPECT_LT(phase, 1);
}

TEST(CareRoomFurniture, TheMonitorsTraceIsLaidFromAPictureKeptForEachPlaceOfItsBlip) {
    scenery::dropSprites();
    QImage img = test::canvas(120, 80);
    const auto beat = [&](bool low) {
        for (int k = 0; k < 30; ++k) {
            QPainter p(&img);
            p.setRenderHint(QPainter::Antialiasing);
            drawHeartMonitor(p, {60, 40}, 1.5, {k / 30.0, low});
        }
    };
    beat(false);
    const std::size_t kept = scenery::spritesKept();
    EXPECT_GT(kept, 30u) << "each place of the blip is a picture";
    // The next beat passes the same places: nothing is drawn anew.
    beat(false);
    EXPECT_EQ(scenery::spritesKept(), kept);
    // Halfway, the blip dips to three points below the screen's centre; the line runs a point above it.
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    drawHeartMonitor(p, {60, 40}, 1.5, {0.5, true});
    p.end();
    EXPECT_TRUE(test::near(img, 60, 40 + 3 * 1.5, "#F4505E", 40));
    EXPECT_TRUE(test::near(img, 60 - 10 * 1.5, 40 - 1 * 1.5, "#F4505E", 40));
}

TEST(CareRoomFurniture, TheDripStandsBagHangsOnAPoleThatReachesTheFloor) {
    // The whole room's furniture, at moments with the drop high and low in the tube.
    for (const double t : {100.0, 100.6}) {
        const RoomFrame f = test::roomFrame(t);
        QImage img = test::canvas(f.width, f.height);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        NeedleSpring needle;
        paintCareRoomFurniture(p, f, CareRoomState{}, needle, nullptr);
        p.end();
        // Under the heart monitor stands the drip: its bag of liquid, a pole from the bag down to the
        // floor, and wheels on the floor.
        const int x = static_cast<int>(0.555 * f.width), floor = static_cast<int>(f.floorLine);
        const QRect band(x - 12, 0, 24, floor + 2);
        int bagBottom = -1;
        for (int y = 0; y <= floor; ++y)
            if (test::countNear(img, QRect(band.left(), y, band.width(), 1), "#9ED6E4", 16) > 2) bagBottom = y;
        ASSERT_GT(bagBottom, 0) << "no bag of liquid over the drip stand at t " << t;
        EXPECT_LT(bagBottom, floor - 30) << "the bag hangs high";
        int bare = 0;
        for (int y = bagBottom + 1; y < floor - 4; ++y)
            if (test::countNear(img, QRect(x - 4, y, 8, 1), "#A9B6B0", 16) == 0) ++bare;
        EXPECT_EQ(bare, 0) << "rows between the bag and the floor with no pole, at t " << t;
        EXPECT_GT(test::countNear(img, QRect(x - 12, floor - 5, 24, 6), "#5E6B66", 24), 4) << "no wheels at t " << t;
    }
}

TEST(CareRoomFurniture, ScaleNeedleSpringsWithTheCat) {
    EXPECT_TRUE(scaleLoaded(true, 0.24));
    EXPECT_TRUE(scaleLoaded(true, 0.205));
    EXPECT_FALSE(scaleLoaded(true, 0.19));
    EXPECT_FALSE(scaleLoaded(false, 0.24));

    NeedleSpring needle;
    EXPECT_DOUBLE_EQ(needle.update(false, 100), -50);  // at rest on the first frame
    EXPECT_DOUBLE_EQ(needle.update(false, 101), -50);
    double peak = -50;
    for (double t = 101; t < 102.5; t += 1.0 / 60) peak = std::max(peak, needle.update(true, t));
    EXPECT_GT(peak, 40);   // springy overshoot
    EXPECT_LT(peak, 80);
    EXPECT_NEAR(needle.update(true, 105), 40, 0.05);
    // Stepping off mid-swing turns back from where the needle is, without a jump.
    needle.update(false, 105.1);
    const double justAfter = needle.update(false, 105.1 + 1.0 / 60);
    EXPECT_GT(justAfter, 35);
    EXPECT_NEAR(needle.update(false, 110), -50, 0.05);
    // A cat already on the scale when the room first shows: the needle starts at 40.
    NeedleSpring fresh;
    EXPECT_DOUBLE_EQ(fresh.update(true, 7), 40);
}

TEST(CareRoomFurniture, ButtonsAndTheirStateWhenDead) {
    const RoomFrame f = test::roomFrame(10);
    CareRoomState s;
    s.catDead = true;
    RoomHotspots hot;
    addCareRoomHotspots(f, s, hot);
    ASSERT_EQ(hot.size(), 2);
    EXPECT_EQ(hot[0].action, RoomAction::errand(PetErrand::medicine));
    EXPECT_FALSE(hot[0].enabled);
    EXPECT_NEAR(hot[0].area.center().x(), 0.66 * 640, 1e-9);
    EXPECT_EQ(hot[1].action.kind, RoomActionKind::cleanLitter);
    EXPECT_TRUE(hot[1].enabled);  // the litter box can still be cleaned
    EXPECT_NEAR(hot[1].area.center().x(), 0.765 * 640, 1e-9);
}

TEST(CareRoomFurniture, LitterBoxShowsDroppingsAndSmell) {
    auto render = [](int poops) {
        QImage img = test::canvas(80, 70);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        drawLitterBox(p, {40, 66}, 2, poops, 1.0);
        p.end();
        return img;
    };
    const QRect all(0, 0, 80, 70);
    const QRect above(0, 0, 80, 66 - 15 * 2);
    const int one = test::countNear(render(1), all, "#7A5038", 10);
    const int four = test::countNear(render(4), all, "#7A5038", 10);
    EXPECT_GT(one, 10);
    EXPECT_GT(four, 3 * one);
    EXPECT_EQ(test::countNear(render(9), all, "#7A5038", 10), four);  // never more than four marks
    EXPECT_EQ(test::countNear(render(-2), all, "#7A5038", 10), 0);
    // Smell lines from two droppings on, above the box.
    EXPECT_EQ(test::countNear(render(1), above, "#9DB86A", 40), 0);
    EXPECT_GT(test::countNear(render(2), above, "#9DB86A", 40), 10);
}

}  // namespace
}  // namespace kp
