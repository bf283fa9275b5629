#include "RoomShapesTestKit.h"

#include "rooms/Fireplace.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kp {
namespace {

TEST(Fireplace, FlickerAndFlamesAtTimeZero) {
    EXPECT_DOUBLE_EQ(fireFlicker(0), 0.8);
    for (double t = 0; t < 20; t += 0.37) {
        EXPECT_GE(fireFlicker(t), 0.6 - 1e-12);
        EXPECT_LE(fireFlicker(t), 1.0 + 1e-12);
        for (int i = 0; i < 3; ++i) {
            EXPECT_GE(flameHeightFactor(i, t), 0.64 - 1e-12);
            EXPECT_LE(flameHeightFactor(i, t), 1.0 + 1e-12);
            EXPECT_LE(std::fabs(flameSway(i, t)), 6.0 + 1e-12);
        }
    }
    EXPECT_NEAR(flameHeightFactor(0, 0), 0.82, 1e-12);
    EXPECT_NEAR(flameHeightFactor(1, 0), 0.82 + 0.12 * std::sin(1.7) + 0.06 * std::sin(1.0), 1e-12);
    EXPECT_NEAR(flameHeightFactor(2, 0), 0.82 + 0.12 * std::sin(3.4) + 0.06 * std::sin(2.0), 1e-12);
    EXPECT_NEAR(flameHeightFactor(1, 0), 0.99, 0.01);
    EXPECT_NEAR(flameHeightFactor(2, 0), 0.84, 0.01);
    EXPECT_DOUBLE_EQ(flameSway(0, 0), 0);
}

TEST(Fireplace, SparksRiseAndFade) {
    // Spark 0 starts on its path at x = -8, 8 up (its centre 0.8 higher), fully opaque.
    const SparkState s0 = sparkState(0, 0);
    EXPECT_NEAR(s0.centre.x(), -8, 1e-9);
    EXPECT_NEAR(s0.centre.y(), -8.8, 1e-9);
    EXPECT_DOUBLE_EQ(s0.opacity, 1);
    const SparkState s3 = sparkState(3, 0);
    EXPECT_NEAR(s3.opacity, 0.19, 1e-9);
    EXPECT_NEAR(s3.centre.y(), -8.8 - 13 * 0.81, 1e-9);
    // Huge frame times still give phases in 0...1.
    for (int i = 0; i < 4; ++i) {
        const SparkState s = sparkState(i, 8.123e8);
        EXPECT_GT(s.opacity, 0);
        EXPECT_LE(s.opacity, 1);
    }
}

TEST(Fireplace, TvPanLoopsAndHops) {
    EXPECT_NEAR(tvPan(0), -28, 1e-9);
    EXPECT_NEAR(tvPan(62.0 / 14), -28, 1e-9);
    EXPECT_NEAR(tvPan(62.0 / 14 - 0.001), 34 - 0.014, 1e-6);
    for (double t = 0; t < 30; t += 0.05) {
        EXPECT_GE(tvPan(t), -28);
        EXPECT_LT(tvPan(t), 34);
        EXPECT_LE(tvHop(t), 0);
        EXPECT_GE(tvHop(t), -1.5);
    }
}

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
