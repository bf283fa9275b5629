#include "HolidayPropsRender.h"

#include "platform/Color.h"
#include "platform/EnumNames.h"
#include "scenery/HolidayDecor.h"
#include "scenery/Sprites.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace kp {
namespace {

using test::render;

QImage ornament(int index, Holiday h, double t = 0) {
    return render(20, 20, [&](QPainter& p) { drawOrnament(p, index, h, t); }, {10, 4});
}

TEST(HolidayGarland, NarrowGarlandsStillCarryFiveOrnaments) {
    HolidayGarland g{Holiday::newYear, 10, 6, 1, 0, false, false};
    EXPECT_EQ(g.ornamentCount(60), 5);
    EXPECT_EQ(g.ornamentCount(89), 5);
    EXPECT_EQ(g.ornamentCount(90), 6);
    EXPECT_EQ(g.ornamentCount(640), 42);
    g.unit = 2;
    EXPECT_EQ(g.ornamentCount(640), 21);

    // Five stars at the curve parameters 0.1 ... 0.9 of a 60-wide rope from -4 to 64.
    const QImage img = render(60, 40, [&](QPainter& p) { g.unit = 1; g.paint(p, QSizeF(60, 40)); });
    for (double s : {0.1, 0.3, 0.5, 0.7, 0.9}) {
        const double x = -4 + 68 * s;
        const double y = 10 + 4 * 6 * s * (1 - s) + 6;  // the star's centre hangs 6 below its point
        EXPECT_TRUE(test::anyInk(img, QRectF(x - 1, y - 1, 2, 2))) << s;
    }
}

TEST(HolidayGarland, UnpinnedRopeRunsOffBothEdgesPinnedEndsAtPins) {
    HolidayGarland loose{Holiday::carnival, 10, 6, 1, 0, false, false};
    const QImage a = render(100, 40, [&](QPainter& p) { loose.paint(p, QSizeF(100, 40)); });
    EXPECT_TRUE(test::anyInk(a, QRectF(0, 9, 1, 2)));
    EXPECT_TRUE(test::anyInk(a, QRectF(99, 9, 1, 2)));

    HolidayGarland pinned = loose;
    pinned.pinned = true;
    const QImage b = render(100, 40, [&](QPainter& p) { pinned.paint(p, QSizeF(100, 40)); });
    EXPECT_FALSE(test::anyInk(b, QRectF(0, 0, 0.5, 40)));
    EXPECT_TRUE(test::near(test::at(b, 3.5, 11), colorFromHex("#C94F6B"), 30));
    EXPECT_TRUE(test::near(test::at(b, 96.5, 11), colorFromHex("#C94F6B"), 30));
}

TEST(HolidayGarland, DimOnlyLowersOpacity) {
    HolidayGarland g{Holiday::christmas, 10, 6, 1, 0.5, false, true};
    const QImage bright = render(100, 40, [&](QPainter& p) { g.paint(p, QSizeF(100, 40)); });
    g.dim = true;
    const QImage dim = render(100, 40, [&](QPainter& p) { g.paint(p, QSizeF(100, 40)); });
    EXPECT_EQ(test::inkBounds(bright), test::inkBounds(dim));
    EXPECT_GT(test::maxAlpha(bright), 250);
    EXPECT_LE(test::maxAlpha(dim), 66);
}

TEST(HolidayGarland, TheChristmasRopeIsFirGreenAllAlongAtAnySize) {
    // A 100-wide rope from (-4, 10) sagging 6, looked at along its curve between the ends.
    const HolidayGarland g{Holiday::christmas, 10, 6, 1, 0, false, false};
    const QColor fir = colorFromHex("#3F7A4A"), light = colorFromHex("#5E9E5E");
    for (const double zoom : {1.0, 2.0}) {
        const QImage img = render(100, 40, [&](QPainter& p) { g.paint(p, QSizeF(100, 40)); }, {}, zoom);
        int green = 0, looked = 0;
        for (double s = 0.05; s < 0.96; s += 0.05, ++looked) {
            const QColor c = test::at(img, -4 + 108 * s, 10 + 4 * 6 * s * (1 - s), zoom);
            green += test::near(c, fir, 25) || test::near(c, light, 25);
        }
        EXPECT_GE(green, looked * 3 / 4) << zoom;
    }
}

TEST(HolidayOrnaments, HalloweenHangsBatsAtEveryThirdIndexFromOne) {
    const QColor bat = colorFromHex("#2C2230");
    for (int i = 0; i < 9; ++i) {
        const QImage img = ornament(i, Holiday::halloween);
        // Bats have a dark body at (0, 4.5); pennants are orange or purple there.
        const QColor c = test::at(img, 10, 4 + 4.5);
        if (i % 3 == 1)
            EXPECT_TRUE(test::near(c, bat, 20)) << i;
        else
            EXPECT_TRUE(test::near(c, colorFromHex(i % 2 == 0 ? "#E8873A" : "#6B4A8E"), 20)) << i;
    }
}

TEST(HolidayOrnaments, ChristmasBaublesTwinkleOthersHoldStill) {
    EXPECT_NE(ornament(2, Holiday::christmas, 0.2), ornament(2, Holiday::christmas, 1.0));
    for (Holiday h : allCases<Holiday>()) {
        if (h == Holiday::christmas) continue;
        EXPECT_EQ(ornament(1, h, 0.2), ornament(1, h, 1.0)) << rawValue(h);
    }
}

TEST(HolidayMobiles, NothingWithoutMobilesOrLengths) {
    HolidayMobiles m{Holiday::easter, 0, {}, {9}, 1, 0, false};
    EXPECT_FALSE(test::anyInk(render(50, 40, [&](QPainter& p) { m.paint(p, QSizeF(50, 40)); }), QRectF(0, 0, 50, 40)));
    m.xs = {0.5};
    m.lengths = {};
    EXPECT_FALSE(test::anyInk(render(50, 40, [&](QPainter& p) { m.paint(p, QSizeF(50, 40)); }), QRectF(0, 0, 50, 40)));
}

TEST(HolidayMobiles, LengthsRepeatAndHalloweenShowsOnlyBats) {
    // Three mobiles, two lengths: the third string is as long as the first.
    HolidayMobiles m{Holiday::halloween, 0, {0.2, 0.5, 0.8}, {10, 20}, 1, 0, false};
    const QImage img = render(100, 50, [&](QPainter& p) { m.paint(p, QSizeF(100, 50)); });
    const QColor bat = colorFromHex("#2C2230");
    // At time 0 the strings of mobiles 0 and 2 lean by 0 and 0.07 sin(3.8) rad: bats just below 10 x 1.2 ... units.
    EXPECT_TRUE(test::near(test::at(img, 20, 10 + 1.2 * 4.5), bat, 30));
    EXPECT_TRUE(test::near(test::at(img, 50 + 20 * std::sin(0.07 * std::sin(1.9)), 20 * std::cos(0.07 * std::sin(1.9)) + 1.2 * 4.5), bat, 40));
    const double lean = 0.07 * std::sin(3.8);
    EXPECT_TRUE(test::near(test::at(img, 80 + 10 * std::sin(lean), 10 * std::cos(lean) + 1.2 * 4.5), bat, 40));
}

TEST(HolidayWreath, RingOfTheHolidayAroundTheCentre) {
    const QImage img = render(44, 44, [&](QPainter& p) { HolidayWreath{Holiday::valentines, 1, 0, false}.paint(p, QSizeF(44, 44)); });
    // The left of the ring, (cx - 11, cy), is pink (ring or its light dashes).
    const QColor c = test::at(img, 22 - 11, 22);
    EXPECT_TRUE(test::near(c, colorFromHex("#F4A7B4"), 20) || test::near(c, colorFromHex("#FBD3DA"), 20));
    EXPECT_FALSE(test::anyInk(img, QRectF(20, 20, 4, 4)));  // the middle is open
}


TEST(StripPicture, PutsABandTogetherOnceAFrameAndLaysItAsThePainterWould) {
    // A half-transparent disc, as a kept picture.
    QImage disc(12, 12, QImage::Format_ARGB32_Premultiplied);
    disc.fill(Qt::transparent);
    {
        QPainter q(&disc);
        q.setRenderHint(QPainter::Antialiasing);
        q.setPen(Qt::NoPen);
        q.setBrush(QColor(200, 40, 90, 150));
        q.drawEllipse(QRectF(1, 1, 10, 10));
    }
    const QColor wall(230, 210, 180);
    QImage viaStrip(40, 20, QImage::Format_ARGB32_Premultiplied), viaPainter = viaStrip;
    viaStrip.fill(wall);
    viaPainter.fill(wall);

    scenery::StripPicture strip;
    {
        QPainter p(&viaStrip);
        ASSERT_TRUE(strip.prepare(p, 1, QRectF(0, 0, 40, 20), 10.0));
        EXPECT_TRUE(strip.due());
        strip.blend(disc, QPoint(5, 3), 0.5);
        strip.blend(disc, QPoint(20, 6), 1.0);
        strip.lay(p);
        // The same frame again: nothing to put together.
        ASSERT_TRUE(strip.prepare(p, 1, QRectF(0, 0, 40, 20), 10.0));
        EXPECT_FALSE(strip.due());
    }
    {
        QPainter p(&viaPainter);
        p.setOpacity(0.5);
        p.drawImage(QPoint(5, 3), disc);
        p.setOpacity(1);
        p.drawImage(QPoint(20, 6), disc);
    }
    int worst = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            const QColor a = viaStrip.pixelColor(x, y), b = viaPainter.pixelColor(x, y);
            worst = std::max({worst, std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
        }
    EXPECT_LE(worst, 2);
    EXPECT_NE(viaStrip.pixelColor(11, 9), wall) << "the faded disc shows";

    // The next frame starts from a clear picture.
    QImage next(40, 20, QImage::Format_ARGB32_Premultiplied);
    next.fill(wall);
    QPainter p(&next);
    ASSERT_TRUE(strip.prepare(p, 1, QRectF(0, 0, 40, 20), 10.0 + 1.0 / 60));
    EXPECT_TRUE(strip.due());
    strip.lay(p);
    p.end();
    EXPECT_EQ(next.pixelColor(11, 9), wall);
}

}  // namespace
}  // namespace kp
