#include "HolidayPropsRender.h"

#include "platform/Color.h"
#include "scenery/WardrobeRack.h"

#include <gtest/gtest.h>

namespace kp {
namespace {

// The rack in its 48 x 54 frame, with 6 points spare above it.
QImage rack(bool fresh, double t) {
    return test::render(48, 60, [&](QPainter& p) { WardrobeRack{fresh, t}.paint(p); }, {0, 6});
}

TEST(WardrobeRack, TagShowsOnlyWhileFresh) {
    EXPECT_FALSE(test::anyInk(rack(false, 0.4), QRectF(0, 0, 48, 6 + 7.5)));
    const QImage fresh = rack(true, 0);
    // At rest the tag pokes 2 points above the frame.
    EXPECT_TRUE(test::anyInk(fresh, QRectF(37, 6 - 2, 12, 0.6)));
    EXPECT_FALSE(test::anyInk(fresh, QRectF(37, 0, 12, 6 - 2.3)));
    EXPECT_TRUE(test::near(test::at(fresh, 43, 6 + 0.8), colorFromHex("#F07A93"), 20));
    // At the top of its hop (3 t = pi / 2) it pokes 4 points above.
    const QImage hop = rack(true, 3.14159265358979 / 6);
    EXPECT_TRUE(test::anyInk(hop, QRectF(37, 6 - 4, 12, 0.6)));
    EXPECT_FALSE(test::anyInk(hop, QRectF(37, 0, 12, 6 - 4.3)));
    for (double t = 0; t < 3; t += 0.1) EXPECT_LE((WardrobeRack{true, t}.tagHop()), 0);
}

TEST(WardrobeRack, StillAtTimeZeroWithStaggeredStockings) {
    const QImage img = rack(false, 0);
    const QColor blue = colorFromHex("#5E9BD6");
    EXPECT_TRUE(test::near(test::at(img, 21.5, 6 + 34.2), blue));     // left leg ends at 35
    EXPECT_FALSE(test::anyInk(img, QRectF(20, 6 + 35.3, 3, 4)));
    EXPECT_TRUE(test::near(test::at(img, 26.5, 6 + 37.2), blue));     // right leg at 38
    EXPECT_FALSE(test::anyInk(img, QRectF(25, 6 + 38.3, 3, 4)));
    EXPECT_TRUE(test::near(test::at(img, 10, 6 + 21), colorFromHex("#E36B5B")));  // the red top under hook 1
    EXPECT_TRUE(test::near(test::at(img, 24, 6 + 10.5), colorFromHex("#6B5344"), 20));  // the rail
}

TEST(WardrobeRack, EachStockingCarriesThreeStripesDownItsLowerPart) {
    // Hanging still, down the middle of each leg (x 21.5 from y 15, x 26.5 from y 18, 20 long):
    // three light bands, none in the leg's upper third.
    const QImage img = rack(false, 0);
    for (const auto& [x, top] : {std::pair{21.5, 15.0}, std::pair{26.5, 18.0}}) {
        int bands = 0;
        double first = -1;
        bool inBand = false;
        for (double y = top; y < top + 20; y += 0.25) {
            const bool light = test::at(img, x, 6 + y).red() > 180;
            if (light && !inBand) {
                ++bands;
                if (first < 0) first = y - top;
            }
            inBand = light;
        }
        EXPECT_EQ(bands, 3) << x;
        EXPECT_GT(first, 20.0 / 3) << x;
    }
}

TEST(WardrobeRack, TopAndBowSwingOneWayStockingsTheOther) {
    const WardrobeRack r{false, 3.14159265358979 / 3.2};  // sin(1.6 t) = 1: the full swing
    EXPECT_NEAR(r.sway(), 3, 1e-9);
    const QImage still = rack(false, 0), swung = rack(false, 3.14159265358979 / 3.2);
    // Turning clockwise about the hook swings a garment's hem to the left.
    const auto hemX = [](const QImage& img, double y, double x0, double x1) {
        double sum = 0, n = 0;
        for (double x = x0; x < x1; x += 0.25)
            if (qAlpha(img.pixel(int(x * 4), int(y * 4))) > 128) sum += x, n += 1;
        return n > 0 ? sum / n : -1;
    };
    EXPECT_LT(hemX(swung, 6 + 26.5, 0, 19), hemX(still, 6 + 26.5, 0, 19));   // red top
    EXPECT_GT(hemX(swung, 6 + 33, 18.5, 24), hemX(still, 6 + 33, 18.5, 24)); // left stocking
}

}  // namespace
}  // namespace kp
