#include "HolidayPropsRender.h"

#include "platform/Color.h"
#include "scenery/TomatoClock.h"

#include <gtest/gtest.h>

namespace kp {
namespace {

// The clock in its 22 x 20 frame with a margin of 5; the dial centre is at (11, 12.5) in the frame.
QImage clock(double progress, bool ringing, bool resting, double t) {
    return test::render(32, 30, [&](QPainter& p) { TomatoClock{progress, ringing, resting, t}.paint(p); }, {5, 5}, 8);
}
QColor dial(const QImage& img, double dx, double dy) { return test::at(img, 5 + 11 + dx, 5 + 12.5 + dy, 8); }

TEST(TomatoClock, EmptyDialHasNoWedgeAndTheHandUp) {
    const QImage img = clock(0, false, false, 0);
    EXPECT_TRUE(test::near(dial(img, 2.5, 0.5), colorFromHex("#FFF6EE")));
    EXPECT_TRUE(test::near(dial(img, -2.5, 0.5), colorFromHex("#FFF6EE")));
    EXPECT_TRUE(test::near(dial(img, 0, -2.5), colorFromHex("#2C2622"), 30));  // the hand at twelve
    EXPECT_TRUE(test::near(dial(img, 0, 2.5), colorFromHex("#FFF6EE")));
}

TEST(TomatoClock, WedgeFillsClockwise) {
    const QImage half = clock(0.5, false, false, 0);
    // The right half (twelve to six, clockwise) is tinted, the left half is still cream.
    EXPECT_FALSE(test::near(dial(half, 2.5, -1.5), colorFromHex("#FFF6EE"), 4));
    EXPECT_TRUE(test::near(dial(half, -2.5, -1.5), colorFromHex("#FFF6EE")));
    const QImage full = clock(1, false, false, 0);
    EXPECT_EQ(dial(full, -2.5, -1.5), dial(full, 2.5, -1.5));
    EXPECT_TRUE(test::near(dial(full, 0, -2.5), colorFromHex("#2C2622"), 30));  // back at twelve
}

TEST(TomatoClock, RestingOnlyTurnsTheDialGreen) {
    const QImage work = clock(0.3, false, false, 0), rest = clock(0.3, false, true, 0);
    EXPECT_TRUE(test::near(dial(rest, -2.5, 0.5), colorFromHex("#DDF2E3")));
    // Body, sepals and stem are the same.
    for (QPointF q : {QPointF(5 + 3, 5 + 12.5), QPointF(5 + 11, 5 + 4), QPointF(5 + 18, 5 + 14)})
        EXPECT_EQ(test::at(work, q.x(), q.y(), 8), test::at(rest, q.x(), q.y(), 8));
    // The body is tomato red.
    EXPECT_GT(test::at(work, 5 + 3, 5 + 12.5, 8).red(), 180);
}

TEST(TomatoClock, StillUnlessRingingAndNeverBelowItsPlace) {
    EXPECT_EQ(clock(0.4, false, false, 0.1), clock(0.4, false, false, 7.3));
    EXPECT_NE(clock(0.4, true, false, 0.1), clock(0.4, true, false, 0.2));
    const double restingBottom = test::inkBounds(clock(1, false, false, 0), 8).bottom();
    for (double t = 0; t < 1; t += 0.013) {
        TomatoClock c{1, true, false, t};
        EXPECT_LE(c.ringHop(), 0);
        EXPECT_GE(c.ringHop(), -1.5);
        EXPECT_LE(std::abs(c.ringAngle()), 9);
    }
    // At the top of a hop with no tilt (15 t = pi / 2 needs sin(30 t) = 0) the whole clock sits 1.5 higher.
    const double t = 3.14159265358979 / 30;
    EXPECT_NEAR(test::inkBounds(clock(1, true, false, t), 8).bottom(), restingBottom - 1.5, 0.2);
}

}  // namespace
}  // namespace kp
