#include "RoomShapesTestKit.h"

#include "rooms/RoomShapes.h"

#include <gtest/gtest.h>

namespace kp {
namespace {

TEST(RoomShapes, FlameAndTriangleTouchTheTopOnlyAtTheMiddle) {
    const QRectF r(10, 20, 40, 60);
    for (const QPainterPath& path : {flameShapePath(r), trianglePath(r)}) {
        EXPECT_NEAR(path.boundingRect().top(), r.top(), 1e-9);
        EXPECT_TRUE(path.contains(QPointF(r.center().x(), r.top() + 2)));
        EXPECT_FALSE(path.contains(QPointF(r.left() + 4, r.top() + 1)));
        EXPECT_FALSE(path.contains(QPointF(r.right() - 4, r.top() + 1)));
    }
    // The flame is a symmetric drop resting on the bottom edge at its middle.
    const QRectF flame = flameShapePath(r).boundingRect();
    EXPECT_NEAR(flame.center().x(), r.center().x(), 1e-9);
    EXPECT_NEAR(flame.bottom(), r.bottom(), 1e-9);
    EXPECT_FALSE(flameShapePath(r).contains(QPointF(r.left() + 2, r.bottom() - 0.5)));
    EXPECT_GE(trianglePath(r).boundingRect().left(), r.left());
}

TEST(RoomShapes, ContinuousRoundedRectStaysInsideWithCutCorners) {
    const QRectF r(0, 0, 30, 20);
    const QPainterPath path = roundedRectPath(r, 4);
    EXPECT_TRUE(r.adjusted(-1e-9, -1e-9, 1e-9, 1e-9).contains(path.boundingRect()));
    EXPECT_TRUE(path.contains(QPointF(15, 10)));
    EXPECT_TRUE(path.contains(QPointF(15, 0.3)));
    EXPECT_FALSE(path.contains(QPointF(0.4, 0.4)));
    EXPECT_FALSE(path.contains(QPointF(29.6, 19.6)));
    // Square corners where a radius is 0; huge radii make a capsule, not a broken path.
    const QPainterPath top = roundedRectPath(r, 13, 13, 0, 0);
    EXPECT_TRUE(top.contains(QPointF(0.3, 19.7)));
    EXPECT_FALSE(top.contains(QPointF(0.5, 0.5)));
    EXPECT_TRUE(roundedRectPath(r, 100).contains(QPointF(15, 10)));
}

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
