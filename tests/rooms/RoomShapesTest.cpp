#include "RoomShapesTestKit.h"

#include "rooms/RoomShapes.h"

#include <gtest/gtest.h>

namespace kp {
namespace {

TEST(RoomShapes, SharedPiecesStandOnTheirAnchor) {
    QImage img = test::canvas(200, 120);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    drawPottedPlant(p, {50, 100}, 1.3, 3.0);
    drawFramedLandscape(p, {150, 40}, 1.3);
    drawJar(p, {150, 110}, 1, QColor("#C47B5A"), QColor("#E7B15A"), 12);
    p.end();
    // The pot stands on y = 100 and is 12 x 1.3 high.
    EXPECT_TRUE(test::near(img, 50, 95, "#C47B5A"));
    EXPECT_TRUE(test::isBackdrop(img, 50, 102));
    EXPECT_TRUE(test::isBackdrop(img, 50 + 16 * 0.65 + 2, 95));
    // Leaves above the pot.
    EXPECT_GT(test::countNear(img, QRect(30, 60, 40, 25), "#7FBF72", 20) + test::countNear(img, QRect(30, 60, 40, 25), "#4E9A55", 20), 30);
    // The picture: frame colour at its edge, sky in the middle, nothing past 34 x 1.3 wide.
    EXPECT_TRUE(test::near(img, 150 - 19.5, 40, "#CDB8A0"));
    EXPECT_TRUE(test::near(img, 150 - 10, 40, "#7EB6E0"));
    EXPECT_TRUE(test::isBackdrop(img, 150 - 24, 40));
    // The jar's lid sits on top of its body: 12 + 2.5 above the anchor.
    EXPECT_TRUE(test::near(img, 150, 110 - 13.3, "#C47B5A"));
    EXPECT_TRUE(test::near(img, 150, 110 - 3, "#E7B15A", 40));
}

}  // namespace
}  // namespace kp
