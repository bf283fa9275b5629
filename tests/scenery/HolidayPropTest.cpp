#include "HolidayPropsRender.h"

#include "platform/Color.h"
#include "platform/EnumNames.h"
#include "scenery/HolidayDecor.h"
#include "scenery/HolidayPaint.h"
#include "scenery/HolidayProp.h"
#include "scenery/StarPath.h"

#include <gtest/gtest.h>

namespace kp {
namespace {

using test::render;

// The prop in its 44 x 52 frame, drawn with a 20-point margin all round.
QImage prop(Holiday h, double t, bool dark) {
    return render(84, 92, [&](QPainter& p) { HolidayProp{h, t, dark}.paint(p); }, {20, 20});
}

TEST(HolidayPaint, StrokesEndFlatWhereNoEndIsGiven) {
    // A 4-point-wide stroke from x 10 to 30 at 4x: it covers its length and stops at its last
    // point, without a square cap reaching on by half its width.
    const QImage img = render(40, 20, [](QPainter& p) {
        QPainterPath path({10, 10});
        path.lineTo(30, 10);
        props::strokePath(p, path, Qt::black, 4);
    }, {0, 0}, 4);
    EXPECT_EQ(qAlpha(img.pixel(4 * 29, 40)), 255);
    EXPECT_EQ(qAlpha(img.pixel(4 * 11, 40)), 255);
    EXPECT_EQ(qAlpha(img.pixel(4 * 31, 40)), 0);
    EXPECT_EQ(qAlpha(img.pixel(4 * 9, 40)), 0);
}

TEST(HolidayProp, OnlyCarnivalAndEasterStandStill) {
    for (Holiday h : allCases<Holiday>()) {
        const bool still = h == Holiday::carnival || h == Holiday::easter;
        EXPECT_EQ(prop(h, 0.4, false) == prop(h, 2.9, false), still) << rawValue(h);
    }
}

TEST(HolidayProp, DarkOnlyStrengthensTheFlamesAndTheFace) {
    for (Holiday h : allCases<Holiday>()) {
        const bool glows = h == Holiday::halloween || h == Holiday::festaJunina || h == Holiday::birthday;
        EXPECT_EQ(prop(h, 1.1, false) != prop(h, 1.1, true), glows) << rawValue(h);
    }
    // The candle flame itself is the same yellow by day and by night.
    const QImage day = prop(Holiday::birthday, 1.1, false), night = prop(Holiday::birthday, 1.1, true);
    EXPECT_EQ(test::at(day, 20 + 22, 20 + 52 - 23), test::at(night, 20 + 22, 20 + 52 - 23));
}

TEST(HolidayProp, PropsStandOnTheFrameBottomInsideTheFrame) {
    for (Holiday h : allCases<Holiday>()) {
        const QRectF ink = test::inkBounds(prop(h, 0.7, false));
        ASSERT_FALSE(ink.isEmpty()) << rawValue(h);
        // The feet line is the frame's bottom edge (y 72 on the canvas); the plate reaches just past it
        // and a flame's soft glow a little further.
        EXPECT_GE(ink.bottom(), 71) << rawValue(h);
        EXPECT_LE(ink.bottom(), 72 + 4.5) << rawValue(h);
        EXPECT_GT(ink.left(), 20 - 3.5) << rawValue(h);
        EXPECT_LT(ink.right(), 64 + 3.5) << rawValue(h);
        if (h != Holiday::newYear) {
            EXPECT_GT(ink.top(), 20 - 0.5) << rawValue(h);
        }
    }
    // The new-year balloons rise a little above the frame.
    EXPECT_LT(test::inkBounds(prop(Holiday::newYear, 0, false)).top(), 20);
}

TEST(HolidayProp, NewYearStarStaysWhileItsBalloonBobs) {
    // The star's centre, (0, -46) from the bottom centre, is gold at every moment.
    for (double t : {0.0, 0.6, 1.2, 2.4}) {
        const QImage img = prop(Holiday::newYear, t, false);
        EXPECT_TRUE(test::near(test::at(img, 20 + 22, 20 + 52 - 46), colorFromHex("#F2C14E"), 20)) << t;
    }
}

TEST(HolidayProp, ChristmasTreeIsGreenWithAGoldStar) {
    const QImage img = prop(Holiday::christmas, 0.5, false);
    EXPECT_TRUE(test::near(test::at(img, 20 + 22 - 2, 20 + 52 - 14), colorFromHex("#3F7A4A"), 20));
    EXPECT_TRUE(test::near(test::at(img, 20 + 22, 20 + 52 - 44), colorFromHex("#F2C14E"), 20));
}

TEST(StarPath, PointsUpWithInnerRadiusAtFortyFivePercent) {
    const QPainterPath star = starPath({10, 20}, 5);
    ASSERT_EQ(star.elementCount(), 11);  // ten vertices and the closing line
    EXPECT_NEAR(star.elementAt(0).x, 10, 1e-9);
    EXPECT_NEAR(star.elementAt(0).y, 15, 1e-9);
    // The second vertex is inner, at -54 degrees: to the right and up.
    EXPECT_NEAR(std::hypot(star.elementAt(1).x - 10, star.elementAt(1).y - 20), 2.25, 1e-9);
    EXPECT_GT(star.elementAt(1).x, 10);
    EXPECT_LT(star.elementAt(1).y, 20);
    EXPECT_TRUE(star.contains(QPointF(10, 20)));
    EXPECT_FALSE(star.contains(QPointF(10, 24.9)));  // below the centre lies the notch between two legs
}

}  // namespace
}  // namespace kp
