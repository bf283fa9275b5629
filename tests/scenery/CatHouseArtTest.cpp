#include "SkyTestSupport.h"

#include "platform/Color.h"
#include "scenery/CatHouseArt.h"

#include <gtest/gtest.h>

namespace kp {
namespace {

using testing::at;
using testing::near;
using testing::renderScene;

// The house at 4x, its 56 x 50 frame filling the image.
QImage house(CatHouseArt::Part part, bool snowy) {
    return renderScene(224, 200, [&](QPainter& p) {
        p.scale(4, 4);
        CatHouseArt{part, snowy}.paint(p, QRectF(0, 0, 56, 50));
    });
}
QColor px(const QImage& img, double x, double y) { return at(img, 4 * x, 4 * y); }

TEST(CatHouseArt, FrontDrawsOnlyThresholdPostsAndGroundSnow) {
    const QImage whole = house(CatHouseArt::Part::whole, false);
    const QImage front = house(CatHouseArt::Part::front, false);
    EXPECT_TRUE(near(px(whole, 10, 30), colorFromHex("#C99A6A"), 2));  // wall
    EXPECT_EQ(px(front, 10, 30).alpha(), 0);
    EXPECT_TRUE(near(px(whole, 28, 35), colorFromHex("#3A2A20"), 2));  // the dark doorway
    EXPECT_EQ(px(front, 28, 35).alpha(), 0);
    EXPECT_EQ(px(front, 28, 12).alpha(), 0);                          // no roof
    const QColor posts = colorFromHex("#B5875A");
    EXPECT_TRUE(near(px(front, 28, 44.5), posts, 2));  // threshold
    EXPECT_TRUE(near(px(front, 15.5, 40), posts, 2));  // left post
    EXPECT_TRUE(near(px(front, 40.5, 40), posts, 2));  // right post
    EXPECT_TRUE(near(px(whole, 40.5, 40), posts, 2));

    const QImage snowyFront = house(CatHouseArt::Part::front, true);
    EXPECT_GT(px(snowyFront, 4, 47).alpha(), 230);
    EXPECT_EQ(px(front, 4, 47).alpha(), 0);
}

TEST(CatHouseArt, SnowCapCoversTheWholeRidge) {
    // At 4x with room around the eaves: every pixel the bare ridge inks, from eave to eave, is
    // white under snow.
    const auto roof = [](bool snowy) {
        return renderScene(240, 216, [&](QPainter& p) {
            p.scale(4, 4);
            CatHouseArt{CatHouseArt::Part::whole, snowy}.paint(p, QRectF(2, 2, 56, 50));
        });
    };
    const QImage bare = roof(false), snowy = roof(true);
    const QColor ridge = colorFromHex("#9E4E40");
    int ridgePixels = 0, showing = 0;
    for (int y = 0; y < 4 * 30; ++y)
        for (int x = 0; x < bare.width(); ++x) {
            if (bare.pixelColor(x, y).alpha() < 40 || !near(bare.pixelColor(x, y), ridge, 12)) continue;
            ++ridgePixels;
            const QColor c = snowy.pixelColor(x, y);
            if (std::min({c.red(), c.green(), c.blue()}) < 235) ++showing;
        }
    EXPECT_GT(ridgePixels, 500);
    EXPECT_EQ(showing, 0);
}

TEST(CatHouseArt, NamePlateCarriesAPawPrint) {
    const QImage img = house(CatHouseArt::Part::whole, false);
    EXPECT_TRUE(near(px(img, 28, 18.2), colorFromHex("#7A5235"), 3));   // pad
    EXPECT_TRUE(near(px(img, 24.5, 18.5), colorFromHex("#E6C79A"), 3));  // plate
}

TEST(CatHouseArt, DrawsAtItsOwnSizeCentredInAnyFrame) {
    const QImage img = renderScene(300, 200, [](QPainter& p) {
        CatHouseArt{CatHouseArt::Part::whole, true}.paint(p, QRectF(0, 0, 300, 200));
    });
    // The ridge's round ends reach 1.2 past the eaves.
    EXPECT_TRUE(testing::blankOutside(img, QRect(150 - 30, 100 - 26, 60, 52)));
    EXPECT_TRUE(near(at(img, 150 - 28 + 10, 100 - 25 + 30), colorFromHex("#C99A6A"), 2));
}

TEST(ArchPath, ScalesWithTheWidthFromTheTopLeftCorner) {
    const QRectF doorway = archPath(QRectF(0, 0, 56, 50)).boundingRect();
    EXPECT_NEAR(doorway.left(), 17, 1e-6);
    EXPECT_NEAR(doorway.right(), 39, 1e-6);
    EXPECT_NEAR(doorway.top(), 26, 1e-6);
    EXPECT_NEAR(doorway.bottom(), 48, 1e-6);

    const QPainterPath wide = archPath(QRectF(10, 20, 112, 30));
    const QRectF b = wide.boundingRect();
    EXPECT_NEAR(b.width(), 44, 1e-6);
    EXPECT_NEAR(b.left(), 10 + 34, 1e-6);
    EXPECT_NEAR(b.top(), 20 + 52, 1e-6);  // arch radius 22 above the springing line at 74
    EXPECT_NEAR(b.bottom(), 20 + 96, 1e-6);
    EXPECT_TRUE(wide.contains(QPointF(66, 80)));
    EXPECT_FALSE(wide.contains(QPointF(46, 74)));  // outside the arch's round top corner
    EXPECT_TRUE(wide.contains(QPointF(46, 110)));  // inside a straight side
}

}  // namespace
}  // namespace kp
