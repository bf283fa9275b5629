#include "HolidayPropsRender.h"

#include "scenery/Fireworks.h"

#include <gtest/gtest.h>

#include <QTimeZone>

namespace kp {
namespace {

QDateTime at(int y, int mo, int d, int h, int mi) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi), QTimeZone("Europe/Berlin"));
}

TEST(Fireworks, DueOnNewYearsEveEveningAndTheSmallHours) {
    EXPECT_FALSE(fireworksDue(at(2026, 12, 31, 17, 59), true));
    EXPECT_TRUE(fireworksDue(at(2026, 12, 31, 18, 0), true));
    EXPECT_TRUE(fireworksDue(at(2026, 12, 31, 23, 59), true));
    EXPECT_TRUE(fireworksDue(at(2027, 1, 1, 0, 0), true));
    EXPECT_TRUE(fireworksDue(at(2027, 1, 1, 2, 59), true));
    EXPECT_FALSE(fireworksDue(at(2027, 1, 1, 3, 0), true));
    EXPECT_FALSE(fireworksDue(at(2027, 1, 1, 14, 0), true));
    EXPECT_FALSE(fireworksDue(at(2026, 12, 30, 22, 0), true));
    EXPECT_FALSE(fireworksDue(at(2026, 7, 4, 22, 0), true));
}

TEST(Fireworks, NeverWithoutAnEveningSkyOrADate) {
    EXPECT_FALSE(fireworksDue(at(2026, 12, 31, 23, 59), false));
    EXPECT_FALSE(fireworksDue(at(2027, 1, 1, 0, 30), false));
    EXPECT_FALSE(fireworksDue(QDateTime(), true));
}

TEST(Fireworks, ReadsTheDateInItsOwnZone) {
    // 23:30 UTC on 31 December is already 1 January 00:30 in Berlin: due in both.
    const QDateTime utc(QDate(2026, 12, 31), QTime(23, 30), QTimeZone::utc());
    EXPECT_TRUE(fireworksDue(utc, true));
    EXPECT_TRUE(fireworksDue(utc.toTimeZone(QTimeZone("Europe/Berlin")), true));
    // 17:30 UTC is 18:30 in Berlin: due there, not in UTC.
    const QDateTime early(QDate(2026, 12, 31), QTime(17, 30), QTimeZone::utc());
    EXPECT_FALSE(fireworksDue(early, true));
    EXPECT_TRUE(fireworksDue(early.toTimeZone(QTimeZone("Europe/Berlin")), true));
}

TEST(Fireworks, BurstsStayInsideTheSkyAndMoveOn) {
    const auto sky = [](double t) {
        return test::render(150, 100, [&](QPainter& p) { WindowFireworks{t}.paint(p, QSizeF(150, 100)); }, {}, 2);
    };
    for (double t = 0; t < 9; t += 0.37) {
        const QImage img = sky(t);
        const QRectF ink = test::inkBounds(img, 2);
        ASSERT_FALSE(ink.isEmpty()) << t;
        // Burst centres lie in the middle 64 % of the width; rings reach 19 % further at most.
        EXPECT_GE(ink.left(), 150 * (0.18 - 0.19) - 1) << t;
        EXPECT_LE(ink.right(), 150 * (0.82 + 0.19) + 1) << t;
    }
    EXPECT_NE(sky(0.5), sky(2.7));  // one cycle later: new places and colours
}

TEST(Fireworks, OneSmallRocketRisesAtATime) {
    // A tall sky keeps every burst in its upper part: below 250 of 400 only rising rockets show.
    // Over three cycles, that band shows one spark at most 1.2 across at a time, or nothing.
    constexpr double zoom = 6;
    int rising = 0;
    for (double t = 0; t < 6.6; t += 0.1) {
        const QImage band = test::render(
            100, 150, [&](QPainter& p) { WindowFireworks{t}.paint(p, QSizeF(100, 400)); }, QPointF(0, -250), zoom);
        const QRectF ink = test::inkBounds(band, zoom);
        if (ink.isEmpty()) continue;
        ++rising;
        EXPECT_LE(std::max(ink.width(), ink.height()), 1.2 + 2 / zoom) << t;
    }
    EXPECT_GT(rising, 6);
}

}  // namespace
}  // namespace kp
