// The need rings: shares, the warning red below a quarter, the stub of an empty ring.
#include "TopBarWorld.h"

#include "platform/Color.h"
#include "rooms/NeedBar.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kp {
namespace {

using test::colourDistance;

TEST(NeedBarRings, HungerRingFollowsHowFedTheCatIs) {
    const NeedRing starving = needRing(NeedKind::hunger, 100 - 100.0);
    EXPECT_DOUBLE_EQ(starving.fraction, 0);
    EXPECT_DOUBLE_EQ(starving.arcShare(), 0.02);
    EXPECT_EQ(starving.color(), colorFromHex("#F4505E"));

    const NeedRing low = needRing(NeedKind::hunger, 100 - 76.0);
    EXPECT_NEAR(low.fraction, 0.24, 1e-12);
    EXPECT_EQ(low.color(), colorFromHex("#F4505E"));

    const NeedRing quarter = needRing(NeedKind::hunger, 100 - 75.0);
    EXPECT_NEAR(quarter.fraction, 0.25, 1e-12);
    EXPECT_EQ(quarter.color(), colorFromHex("#E7B15A"));
    // Values off the scale are clamped.
    EXPECT_DOUBLE_EQ(needRing(NeedKind::energy, 130).fraction, 1);
    EXPECT_DOUBLE_EQ(needRing(NeedKind::health, -8).arcShare(), 0.02);
    EXPECT_DOUBLE_EQ(needFraction(std::nan("")), 0);
}

// Colour of the ring stroke at an angle (degrees clockwise from 12 o'clock) on a dark ground.
QColor strokeAt(const QImage& img, QPointF centre, double degrees) {
    const double r = needbar::ringRadius;
    const double a = degrees * M_PI / 180;
    return img.pixelColor(QPoint(int(std::lround(centre.x() + r * std::sin(a))),
                                 int(std::lround(centre.y() - r * std::cos(a)))));
}

TEST(NeedBarRings, ArcStartsAtTwelveAndGrowsClockwise) {
    QImage img(80, 40, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    QPainter p(&img);
    const QPointF half(20, 20), empty(60, 20);
    paintNeedRing(p, half, needRing(NeedKind::health, 50));
    paintNeedRing(p, empty, needRing(NeedKind::health, 0));
    p.end();

    const QColor green = colorFromHex("#6FBF78");
    // Half full: the right half is drawn, the left half shows only the faint track.
    EXPECT_LT(colourDistance(strokeAt(img, half, 90), green), 40);
    EXPECT_LT(colourDistance(strokeAt(img, half, 135), green), 40);
    EXPECT_GT(colourDistance(strokeAt(img, half, 270), green), 100);
    EXPECT_LT(strokeAt(img, half, 270).red(), 70);
    EXPECT_GT(strokeAt(img, half, 270).red(), 15);

    // Empty: a red stub at 12 o'clock, nothing at 3 o'clock but the track.
    const QColor red = colorFromHex("#F4505E");
    EXPECT_LT(colourDistance(strokeAt(img, empty, 0), red), 60);
    EXPECT_LT(strokeAt(img, empty, 90).red(), 70);
}

}  // namespace
}  // namespace kp
