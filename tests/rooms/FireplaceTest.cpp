#include "RoomShapesTestKit.h"

#include "rooms/Fireplace.h"
#include "scenery/Sprites.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kp {
namespace {

TEST(Fireplace, FireBurnsInsideItsFrame) {
    QImage img = test::canvas(200, 120);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    drawFireplace(p, {100, 100}, 1.3, 1.0, 12.5);
    p.end();
    // Flames inside the opening, the mantel above it, the hearth at the bottom.
    const QRect opening(100 - 19, 100 - 38, 38, 28);
    EXPECT_GT(test::countNear(img, opening, "#F06A2A", 30) + test::countNear(img, opening, "#F7A23C", 30), 20);
    EXPECT_TRUE(test::near(img, 100 + 40, 100 - 45 * 1.3, "#5C4636"));
    EXPECT_TRUE(test::near(img, 100 + 40, 100 - 2.5 * 1.3, "#3A322C"));
    // Only the floor glow spills past the 68-point frame, and nothing goes below y = 100 + 5 x 1.3.
    const QRect box = test::paintedBounds(img);
    EXPECT_LE(box.bottom(), 100 + 7);
    EXPECT_GE(box.top(), 100 - 58 * 1.3 - 2);
}

TEST(Fireplace, AFlamesHeightStepsMoveItsTipAQuarterOfADevicePixel) {
    // Four seconds of fire at 1.3 device pixels a point: the three flames (12, 17 and 11 points)
    // take 62, 88 and 57 heights to their full height, of which they use about a third; a spark
    // stands at one of sixteen quarters of a pixel, the candle's flame at a few heights.
    scenery::dropSprites();
    QImage img = test::canvas(200, 120);
    for (int frame = 0; frame < 240; ++frame) {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        drawFireplace(p, {100, 100}, 1.3, 1.0, 12.5 + frame / 60.0);
    }
    EXPECT_LE(scenery::spritesKept(), 120u) << scenery::spritesKept();
}

TEST(Fireplace, TvIsDarkWithARedLightUntilTheCatWatches) {
    for (bool watching : {false, true}) {
        QImage img = test::canvas(120, 100);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        drawTvStand(p, {60, 90}, 2.0, watching, 3.25);
        p.end();
        // Standby light at (20, -22.5) from the bottom centre.
        EXPECT_TRUE(test::near(img, 60 + 40, 90 - 45, watching ? "#7FD38A" : "#E05A4E", 40)) << watching;
        // Screen: the sky's blue while on, the dark gradient while off (upper right, clear of the sun).
        const QRgb screen = img.pixel(60 + 14, 90 - 36 * 2 - 18);
        if (watching)
            EXPECT_GT(qBlue(screen), 200);
        else
            EXPECT_LT(qBlue(screen), 90);
        // The glow lights the wall beside the set only while on.
        EXPECT_EQ(test::isBackdrop(img, 60 + 50, 90 - 84), !watching);
        // The cabinet.
        EXPECT_TRUE(test::near(img, 60 - 27 * 2 + 1, 90 - 10 * 2, "#7A5E4A", 20));
    }
}

}  // namespace
}  // namespace kp
