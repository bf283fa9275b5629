#include "island/IslandGeometry.h"

#include <gtest/gtest.h>

using namespace kp;
using State = IslandStateMachine::State;

TEST(IslandGeometry, HoverZoneWidensTheNotchWhileHiddenAndTheShapeIsRoundedBelowOnly) {
    const QSizeF notch(184, 32);
    const QRectF zone = island::hoverZone(State::hidden, {}, notch, 1440);
    EXPECT_EQ(zone, QRectF(628 - 16, 0, 184 + 32, 40));
    const QRectF open(400, 0, 640, 160);
    EXPECT_EQ(island::hoverZone(State::home, open, notch, 1440), QRectF(392, 0, 656, 168));
    // Under a 30 px top panel the notch's zone starts below the panel.
    EXPECT_EQ(island::hoverZone(State::hidden, {}, notch, 1440, 30), QRectF(628 - 16, 30, 184 + 32, 40));

    // The island's shape: square above, rounded below.
    const QPainterPath shape = island::islandShape(QSizeF(276, 32), 10);
    EXPECT_TRUE(shape.contains(QPointF(0.5, 0.5)));
    EXPECT_TRUE(shape.contains(QPointF(275.5, 0.5)));
    EXPECT_FALSE(shape.contains(QPointF(0.5, 31.5)));
    EXPECT_TRUE(shape.contains(QPointF(138, 31.5)));
    EXPECT_FALSE(shape.contains(QPointF(275.5, 31.5))) << "both lower corners round";
    EXPECT_TRUE(shape.contains(QPointF(0.5, 20))) << "straight sides down to the corners";
    EXPECT_TRUE(shape.contains(QPointF(275.5, 20)));
}

TEST(IslandSpring, ReachesItsTargetWithASmallOvershootAndSettles) {
    IslandSpring spring;
    spring.jumpTo(QSizeF(276, 32), 10);
    spring.setTarget(QSizeF(640, 160), 24);
    double highest = 0;
    int ticks = 0;
    while (spring.step() && ticks < 600) {
        highest = std::max(highest, spring.size().width());
        ++ticks;
    }
    EXPECT_LT(ticks, 90) << "settles within 1.5 s";
    EXPECT_GT(highest, 640) << "damping 0.8 overshoots a little";
    EXPECT_LT(highest, 660);
    EXPECT_EQ(spring.size(), QSizeF(640, 160));
}

TEST(IslandFrames, OnlyTheChangedBandsAreSentNotTheirBoundingBox) {
    QImage before(1280, 320, QImage::Format_ARGB32_Premultiplied);
    before.fill(Qt::black);
    EXPECT_TRUE(island::changedPixels(before, before).empty());

    // A pixel near the top-left corner and a small patch near the bottom-right.
    QImage now = before;
    now.setPixel(3, 2, 0xff102030);
    for (int y = 300; y < 305; ++y)
        for (int x = 1250; x < 1260; ++x) now.setPixel(x, y, 0xffffffff);
    QRegion changed;
    long area = 0;
    for (const QRect& r : island::changedPixels(before, now)) {
        EXPECT_FALSE(changed.intersects(r)) << "no pixel is told twice";
        changed += r;
        area += long(r.width()) * r.height();
    }
    EXPECT_TRUE(changed.contains(QPoint(3, 2)));
    EXPECT_TRUE(changed.contains(QPoint(1259, 304)));
    EXPECT_FALSE(changed.contains(QPoint(640, 160))) << "the middle of the frame did not change";
    EXPECT_EQ(area, 1 + 10 * 5) << "each change's own pixels, not its tiles";

    // Frames that are not alike are sent whole.
    const QImage smaller(640, 160, QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(island::changedPixels(before, smaller), std::vector<QRect>{smaller.rect()});
}

TEST(IslandFrames, ChangesCloseTogetherGoToTheScreenAsFewBoxesAndFarOnesApart) {
    // A row of forty baubles 12 pixels wide, 3 apart, each changed in its own band rectangle.
    QRegion baubles;
    for (int i = 0; i < 40; ++i) baubles += QRect(20 + 15 * i, 80, 12, 12);
    ASSERT_EQ(baubles.rectCount(), 40);
    const std::vector<QRect> boxes = island::boxesToSend({baubles.begin(), baubles.end()});
    EXPECT_LE(boxes.size(), 2u) << "not a request for each bauble";
    QRegion covered;
    long area = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        covered += boxes[i];
        area += long(boxes[i].width()) * boxes[i].height();
        for (std::size_t j = i + 1; j < boxes.size(); ++j) EXPECT_FALSE(boxes[i].intersects(boxes[j]));
    }
    EXPECT_TRUE((baubles - covered).isEmpty()) << "every changed pixel is sent";
    EXPECT_LE(area, 40 * 12 * 12 + long(boxes.size()) * 1024) << "each box with no more unchanged pixels than the slack";
    EXPECT_EQ(covered.boundingRect(), baubles.boundingRect());

    // Thirty small changes 50 pixels apart: each join alone costs little, but a box never holds
    // more than the slack of pixels that did not change, however many joins made it.
    std::vector<QRect> spread;
    for (int i = 0; i < 30; ++i) spread.emplace_back(60 * i, 200, 10, 10);
    long sent = 0;
    const std::vector<QRect> spreadBoxes = island::boxesToSend(spread);
    for (const QRect& b : spreadBoxes) sent += long(b.width()) * b.height();
    EXPECT_LE(sent, 30 * 100 + long(spreadBoxes.size()) * 1024);
    EXPECT_LT(spreadBoxes.size(), 30u);

    // A change at the top-left and one at the bottom-right stay two small boxes.
    const QRegion corners = QRegion(3, 2, 1, 1) + QRegion(1250, 300, 10, 5);
    const std::vector<QRect> apart = island::boxesToSend({corners.begin(), corners.end()});
    ASSERT_EQ(apart.size(), 2u);
    EXPECT_EQ(QRegion(apart[0]) + apart[1], corners);

    // A third box that a joint box comes to reach is joined too: no pixel is sent twice.
    const QRegion three = QRegion(0, 0, 40, 10) + QRegion(60, 0, 40, 10) + QRegion(30, 8, 40, 30);
    const std::vector<QRect> one = island::boxesToSend({three.begin(), three.end()}, 0);
    for (std::size_t i = 0; i < one.size(); ++i)
        for (std::size_t j = i + 1; j < one.size(); ++j) EXPECT_FALSE(one[i].intersects(one[j]));
    QRegion all;
    for (const QRect& r : one) all += r;
    EXPECT_TRUE((three - all).isEmpty());
}
