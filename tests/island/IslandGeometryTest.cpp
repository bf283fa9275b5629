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
    EXPECT_TRUE(island::changedPixels(before, before).isEmpty());

    // A pixel near the top-left corner and a small patch near the bottom-right.
    QImage now = before;
    now.setPixel(3, 2, 0xff102030);
    for (int y = 300; y < 305; ++y)
        for (int x = 1250; x < 1260; ++x) now.setPixel(x, y, 0xffffffff);
    const QRegion changed = island::changedPixels(before, now);
    EXPECT_TRUE(changed.contains(QPoint(3, 2)));
    EXPECT_TRUE(changed.contains(QPoint(1259, 304)));
    EXPECT_FALSE(changed.contains(QPoint(640, 160))) << "the middle of the frame did not change";
    long area = 0;
    for (const QRect& r : changed) area += long(r.width()) * r.height();
    EXPECT_EQ(area, 1 + 10 * 5) << "each change's own pixels, not its tiles";

    // Frames that are not alike are sent whole.
    const QImage smaller(640, 160, QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(island::changedPixels(before, smaller), QRegion(smaller.rect()));
}
