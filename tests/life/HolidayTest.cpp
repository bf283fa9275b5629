#include <QDateTime>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "life/Holiday.h"
#include "platform/Dates.h"

using namespace kp;

namespace {

QDateTime at(int y, int m, int d, int hour = 12, int minute = 0) {
    return QDateTime(QDate(y, m, d), QTime(hour, minute));
}

double seconds(int y, int m, int d, int hour = 12) { return referenceFromDate(at(y, m, d, hour)); }

}  // namespace

TEST(Holiday, EasterMovesCarnivalWhichWinsOverValentinesWeek) {
    for (const auto& [year, day] : {std::pair{2024, QDate(2024, 3, 31)}, std::pair{2038, QDate(2038, 4, 25)},
                                    std::pair{2285, QDate(2285, 3, 22)}, std::pair{1818, QDate(1818, 3, 22)}})
        EXPECT_EQ(easterDate(year, QTimeZone::utc())->date(), day) << year;
    EXPECT_FALSE(easterDate(0, QTimeZone::utc()));
    EXPECT_EQ(currentHoliday(at(2026, 3, 29, 23, 59)), std::nullopt);
    EXPECT_EQ(currentHoliday(at(2026, 3, 30, 0, 0)), Holiday::easter);
    // 2024: Easter on 31 March puts carnival on 9 to 14 February, over Valentine's week.
    EXPECT_EQ(currentHoliday(at(2024, 2, 8, 23, 59)), Holiday::valentines);
    EXPECT_EQ(currentHoliday(at(2024, 2, 9)), Holiday::carnival);
    EXPECT_EQ(currentHoliday(at(2024, 2, 14)), Holiday::carnival);
    EXPECT_EQ(currentHoliday(at(2024, 2, 15)), std::nullopt);
}

TEST(Holiday, BirthMilestonesFallOnTheSameDayOrTheMonthsLastAndComeFirst) {
    const QDateTime birth = at(2026, 1, 10, 15, 0);
    EXPECT_TRUE(isBirthMilestone(at(2026, 2, 10, 9, 0), birth));
    EXPECT_FALSE(isBirthMilestone(at(2026, 2, 11, 9, 0), birth));
    EXPECT_FALSE(isBirthMilestone(at(2026, 1, 10, 16, 0), birth)) << "not on the birth day itself";
    EXPECT_TRUE(isBirthMilestone(at(2026, 4, 30), at(2026, 1, 31))) << "31 April does not exist";
    EXPECT_FALSE(isBirthMilestone(seconds(2026, 4, 10, 8), std::nan(""))) << "a damaged birth is none";
    const auto list = birthMilestones(birth, at(2027, 2, 10, 16, 0));
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list.back().months, 12);
    EXPECT_EQ(holidayOfTheDay(seconds(2026, 12, 10, 9), seconds(2026, 11, 10, 15)), Holiday::birthday);
    EXPECT_EQ(holidayOfTheDay(seconds(2026, 12, 11, 9), seconds(2026, 11, 10, 15)), Holiday::christmas);
}

// The day test of all eight holidays over one year (Easter 2026 is 5 April), each day asked of
// every holiday, so a day counts for its own holiday only.
TEST(Holiday, EachHolidaysOwnDaysAndNoOthers) {
    struct Day {
        QDateTime at;
        std::optional<Holiday> owner;
    };
    const auto no = std::nullopt;
    const Day days[] = {
        {at(2026, 1, 1, 0, 0), Holiday::newYear}, {at(2026, 12, 31, 23, 59), Holiday::newYear},
        {at(2026, 12, 30, 23, 59), no}, {at(2026, 1, 2, 0, 0), no},
        {at(2026, 2, 13, 23, 59), no}, {at(2026, 2, 14, 0, 0), no},  // Valentine's and carnival: below
        {at(2026, 2, 17, 23, 59), Holiday::carnival}, {at(2026, 2, 18, 0, 0), no},
        {at(2026, 4, 4, 23, 59), no}, {at(2026, 4, 5, 0, 0), Holiday::easter},
        {at(2026, 4, 5, 23, 59), Holiday::easter}, {at(2026, 4, 6, 0, 0), no}, {at(2025, 4, 20), Holiday::easter},
        {at(2026, 6, 22, 23, 59), no}, {at(2026, 6, 23, 0, 0), Holiday::festaJunina},
        {at(2026, 6, 24, 23, 59), Holiday::festaJunina}, {at(2026, 6, 25, 0, 0), no},
        {at(2026, 10, 30, 23, 59), no}, {at(2026, 10, 31, 0, 0), Holiday::halloween}, {at(2026, 11, 1, 0, 0), no},
        {at(2026, 12, 23, 23, 59), no}, {at(2026, 12, 24, 0, 0), Holiday::christmas},
        {at(2026, 12, 25, 23, 59), Holiday::christmas}, {at(2026, 12, 26, 0, 0), no},
    };
    for (const Day& d : days)
        for (Holiday h : allCases<Holiday>()) {
            const bool expected = h == d.owner || (d.at.date() == QDate(2026, 2, 14) &&
                                                   (h == Holiday::valentines || h == Holiday::carnival));
            EXPECT_EQ(isDay(h, d.at), expected) << rawValue(h) << " " << d.at.toString(Qt::ISODate).toStdString();
            EXPECT_EQ(isDay(h, referenceFromDate(d.at)), expected) << rawValue(h) << " in local seconds";
        }
}
