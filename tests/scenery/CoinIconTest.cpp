#include "HolidayPropsRender.h"

#include "platform/Color.h"
#include "scenery/CoinIcon.h"

#include <gtest/gtest.h>

namespace kp {
namespace {

TEST(CoinIcon, RimInsideAGoldFaceAndNothingOutside) {
    const QImage img = test::render(40, 40, [](QPainter& p) { CoinIcon{40}.paint(p); }, {}, 4);
    // Rim 3.2 wide from the edge inward.
    EXPECT_TRUE(test::near(test::at(img, 20, 1.6), colorFromHex("#C98A2A"), 16));
    // The face is lighter at the top than at the bottom.
    const QColor top = test::at(img, 12, 6), bottom = test::at(img, 12, 34);
    EXPECT_GT(top.green(), bottom.green());
    EXPECT_FALSE(test::anyInk(img, QRectF(0, 0, 4, 4)));
    EXPECT_FALSE(test::anyInk(img, QRectF(36, 36, 4, 4)));
    // The paw emblem sits in the middle in its darker gold.
    EXPECT_TRUE(test::near(test::at(img, 20, 26), colorFromHex("#B5781F"), 20));
}

TEST(CoinIcon, SmallCoinsKeepAVisibleRim) {
    // At 8 points the rim is 0.8 wide (8 % would be 0.64): the outer ring is rim-coloured.
    const QImage img = test::render(8, 8, [](QPainter& p) { CoinIcon{8}.paint(p); }, {}, 20);
    EXPECT_TRUE(test::near(test::at(img, 4, 0.4, 20), colorFromHex("#C98A2A"), 16));
    EXPECT_FALSE(test::near(test::at(img, 4, 0.95, 20), colorFromHex("#C98A2A"), 16));
}

TEST(CoinGainLabel, TextThenCoinAndSizeFollowsTheAmount) {
    const CoinGainLabel zero{0, 9}, twelve{12, 9}, negative{-12, 9};
    EXPECT_GT(twelve.frameSize().width(), zero.frameSize().width());
    EXPECT_GT(negative.frameSize().width(), twelve.frameSize().width());  // "+-12" keeps its minus
    EXPECT_GE(twelve.frameSize().height(), 9);

    const QSizeF s = twelve.frameSize();
    const QImage img = test::render(int(s.width()) + 2, int(s.height()) + 2, [&](QPainter& p) { twelve.paint(p); });
    // The coin is the right end, the text gold to its left.
    EXPECT_TRUE(test::near(test::at(img, s.width() - 4.5, s.height() / 2 - 2.5), colorFromHex("#FFE08A"), 40));
    bool goldText = false;
    for (double x = 0; x < s.width() - 11; x += 0.25)
        for (double y = 0; y < s.height(); y += 0.25)
            goldText = goldText || test::near(test::at(img, x, y), colorFromHex("#FFD27A"), 10);
    EXPECT_TRUE(goldText);
}

}  // namespace
}  // namespace kp
