#include <QDateTime>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <cmath>

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
