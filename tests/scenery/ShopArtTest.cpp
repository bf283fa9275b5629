#include "HolidayPropsRender.h"

#include "platform/Color.h"
#include "platform/EnumNames.h"
#include "scenery/ShopArt.h"

#include <gtest/gtest.h>

namespace kp {
namespace {

QImage icon(ShopItem item, double t) {
    return test::render(64, 60, [&](QPainter& p) { ShopItemIcon{item, t}.paint(p); }, {10, 10});
}

TEST(ShopItemIcon, OnlyThePlantAndTheWandMove) {
    for (ShopItem item : allCases<ShopItem>()) {
        const bool moves = item == ShopItem::hangingPlant || item == ShopItem::feather;
        EXPECT_EQ(icon(item, 0.3) != icon(item, 1.4), moves) << rawValue(item);
    }
}

TEST(ShopItemIcon, EveryArtIsCentredInTheIcon) {
    for (ShopItem item : allCases<ShopItem>()) {
        const QRectF ink = test::inkBounds(icon(item, 0.3));
        ASSERT_FALSE(ink.isEmpty()) << rawValue(item);
        // The frames are centred on the icon's centre (32, 30); the symmetric drawings are too.
        const bool symmetric = item != ShopItem::feather && item != ShopItem::laser && item != ShopItem::yarn &&
                               item != ShopItem::hangingPlant;
        if (symmetric) {
            EXPECT_NEAR(ink.center().x(), 32, 2.5) << rawValue(item);
            // The salmon's plate sits 4 points below the middle.
            EXPECT_NEAR(ink.center().y(), item == ShopItem::salmon ? 34 : 30, 2.5) << rawValue(item);
        }
        // Only the tall plant (48 x 0.9) and the swinging feather leave the 44 x 40 icon.
        if (item != ShopItem::feather && item != ShopItem::hangingPlant) {
            EXPECT_TRUE(QRectF(9, 9, 46, 42).contains(ink)) << rawValue(item);
        }
    }
}

TEST(ShopItemIcon, ScalesMatchTheGrid) {
    // The rug (70 wide) shrinks to about 70 x 0.62; the yarn ball (12 across) grows to 18.
    const QRectF rug = test::inkBounds(icon(ShopItem::rug, 0));
    EXPECT_NEAR(rug.width(), 68 * 0.62, 1.5);
    const QImage yarn = test::render(64, 60, [&](QPainter& p) { ShopItemIcon{ShopItem::yarn, 0}.paint(p); }, {10, 10});
    EXPECT_TRUE(test::near(test::at(yarn, 32 + 8, 30), colorFromHex("#E04F5F"), 30));
    EXPECT_FALSE(test::anyInk(yarn, QRectF(32 + 9.8, 29, 2, 2)));
}

TEST(HangingPlantArt, RopeGrowsTheFrameAndAZeroRopeStillHasStrings) {
    EXPECT_EQ(HangingPlantArt(0, 0).size(), QSizeF(30, 44));
    EXPECT_EQ(HangingPlantArt(6, 0).size(), QSizeF(30, 50));
    const QImage img = test::render(30, 44, [&](QPainter& p) { HangingPlantArt{0, 0}.paint(p); });
    // The pot's top is at y 8; its side below the band is pot white.
    EXPECT_TRUE(test::near(test::at(img, 15, 8 + 6.5), colorFromHex("#F4EDE6")));
    EXPECT_TRUE(test::anyInk(img, QRectF(14.5, 0, 1, 3)));  // the strings meet at the top centre
}

TEST(BoxArt, HalvesSplitAtTheRim) {
    const auto box = [](BoxArt::Part part) { return test::render(48, 24, [&](QPainter& p) { BoxArt{part}.paint(p); }, {4, 0}); };
    const QImage back = box(BoxArt::Part::back), front = box(BoxArt::Part::front), whole = box(BoxArt::Part::whole);
    EXPECT_FALSE(test::anyInk(back, QRectF(0, 12.5, 48, 11.5)));   // nothing of the front panel
    EXPECT_FALSE(test::anyInk(front, QRectF(0, 0, 48, 9.5)));      // nothing of the flap
    EXPECT_TRUE(test::near(test::at(back, 4 + 20, 5), colorFromHex("#A87A4E")));
    EXPECT_TRUE(test::near(test::at(front, 4 + 12, 18), colorFromHex("#C89A62")));
    // Whole is back then front: the front panel covers the dark inside where they meet.
    EXPECT_EQ(test::at(whole, 4 + 12, 11), test::at(front, 4 + 12, 11));
    EXPECT_EQ(test::at(whole, 4 + 20, 5), test::at(back, 4 + 20, 5));
}

TEST(YarnArt, SpinTurnsOnlyTheWrapping) {
    const auto yarn = [](double spin) { return test::render(28, 14, [&](QPainter& p) { YarnArt{spin}.paint(p); }); };
    const QImage a = yarn(0), b = yarn(1.2);
    EXPECT_NE(a, b);
    // The loose end, left of the ball, is there and unchanged.
    EXPECT_TRUE(test::anyInk(a, QRectF(1, 9, 6, 4.5)));
    EXPECT_EQ(a.copy(0, 0, 7 * 4, 14 * 4), b.copy(0, 0, 7 * 4, 14 * 4));
}

TEST(TunaArt, TheLidIsRibbedAndNothingHangsBelowTheTin) {
    // The tin stands 28 high in the middle of its 44 x 40 frame, its lid band across the top.
    const QImage img = test::render(44, 40, [](QPainter& p) { TunaArt{}.paint(p); });
    int ribs = 0;
    bool onRib = false;
    for (double x = 10; x < 34; x += 0.25) {
        const bool rib = test::near(test::at(img, x, 8), colorFromHex("#AEB6C2"), 10);
        ribs += rib && !onRib;
        onRib = rib;
    }
    EXPECT_GE(ribs, 5);
    EXPECT_FALSE(test::anyInk(img, QRectF(0, 34.5, 44, 5.5)));
}

TEST(LaserDotArt, PulsesAboutItsCentre) {
    const auto dot = [](double t) { return test::render(8, 8, [&](QPainter& p) { LaserDotArt{t}.paint(p); }, {}, 8); };
    EXPECT_TRUE(test::near(test::at(dot(0), 4, 4, 8), colorFromHex("#FF3B30")));
    EXPECT_NE(dot(0), dot(0.08));
    EXPECT_EQ(test::inkBounds(dot(0), 8).center(), QPointF(4, 4));
}

TEST(PortraitArt, GoldFrameAroundACat) {
    CatEnv env;
    env.breed = CatBreed::orange;
    const QImage img = test::render(26, 30, [&](QPainter& p) { PortraitArt{}.paint(p, env); });
    EXPECT_TRUE(test::near(test::at(img, 1, 15), colorFromHex("#C99A3E")));
    EXPECT_TRUE(test::near(test::at(img, 5, 4.5), colorFromHex("#9ED6E4"), 20));  // sky-blue top corner
    // The head covers the middle: neither the frame nor the background colour there.
    const QColor mid = test::at(img, 13, 17);
    EXPECT_FALSE(test::near(mid, colorFromHex("#C99A3E"), 10));
}

}  // namespace
}  // namespace kp
