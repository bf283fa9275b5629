#include <QDateTime>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "life/Holiday.h"
#include "platform/Dates.h"

using namespace kp;

namespace {

QDateTime at(int y, int m, int d, int hour = 12, int minute = 0) {
    return QDateTime(QDate(y, m, d), QTime(hour, minute));
}

double seconds(int y, int m, int d, int hour = 12, int minute = 0) { return referenceFromDate(at(y, m, d, hour, minute)); }

}  // namespace

TEST(Holiday, EachHolidaysPieceNamesItsHoliday) {
    // The wardrobe tells a piece's holiday by its position: the two lists must agree.
    for (Holiday h : allCases<Holiday>()) {
        const CatAccessory piece = seasonalPiece(h);
        ASSERT_TRUE(holiday(piece).has_value()) << rawValue(h);
        EXPECT_EQ(*holiday(piece), h) << rawValue(h);
    }
    EXPECT_EQ(holiday(CatAccessory::partyHatPink), Holiday::birthday);
}

TEST(Holiday, EasterSundays) {
    const QTimeZone utc = QTimeZone::utc();
    const std::pair<int, QDate> known[] = {{2024, QDate(2024, 3, 31)}, {2025, QDate(2025, 4, 20)},
                                           {2026, QDate(2026, 4, 5)},  {2038, QDate(2038, 4, 25)},
                                           {2285, QDate(2285, 3, 22)}, {1818, QDate(1818, 3, 22)},
                                           {1943, QDate(1943, 4, 25)}};
    for (const auto& [year, day] : known) {
        const auto easter = easterDate(year, utc);
        ASSERT_TRUE(easter) << year;
        EXPECT_EQ(easter->date(), day) << year;
        EXPECT_EQ(easter->time(), QTime(0, 0)) << year;
    }
    EXPECT_FALSE(easterDate(0, utc));
    EXPECT_FALSE(easterDate(-40, utc));
    // In the user's zone Easter starts at local midnight.
    const auto local = easterDate(2026, at(2026, 1, 1));
    ASSERT_TRUE(local);
    EXPECT_EQ(*local, QDateTime(QDate(2026, 4, 5), QTime(0, 0)));
}

TEST(Holiday, CarnivalAndEasterSeasonsOf2026) {
    EXPECT_EQ(currentHoliday(at(2026, 2, 12, 23, 59)), Holiday::valentines);
    EXPECT_EQ(currentHoliday(at(2026, 2, 13, 0, 0)), Holiday::carnival);
    EXPECT_EQ(currentHoliday(at(2026, 2, 18, 23, 59)), Holiday::carnival);
    EXPECT_EQ(currentHoliday(at(2026, 2, 19, 0, 0)), std::nullopt);
    for (int d = 13; d <= 19; ++d)
        EXPECT_EQ(isDay(Holiday::carnival, at(2026, 2, d)), d >= 14 && d <= 17) << d;

    EXPECT_EQ(currentHoliday(at(2026, 3, 29, 23, 59)), std::nullopt);
    EXPECT_EQ(currentHoliday(at(2026, 3, 30, 0, 0)), Holiday::easter);
    EXPECT_EQ(currentHoliday(at(2026, 4, 6, 23, 59)), Holiday::easter);
    EXPECT_EQ(currentHoliday(at(2026, 4, 7, 0, 0)), std::nullopt);
    EXPECT_TRUE(isDay(Holiday::easter, at(2026, 4, 5, 0, 0)));
    EXPECT_TRUE(isDay(Holiday::easter, at(2026, 4, 5, 23, 59)));
    EXPECT_FALSE(isDay(Holiday::easter, at(2026, 4, 6, 0, 0)));
    EXPECT_FALSE(isDay(Holiday::easter, at(2025, 4, 5)));
}

TEST(Holiday, CarnivalWinsWhereItMeetsValentinesWeek) {
    // 2024: Easter on 31 March puts carnival's season on 9 to 14 February.
    EXPECT_EQ(currentHoliday(at(2024, 2, 6)), std::nullopt);
    EXPECT_EQ(currentHoliday(at(2024, 2, 7)), Holiday::valentines);
    EXPECT_EQ(currentHoliday(at(2024, 2, 8, 23, 59)), Holiday::valentines);
    for (int d = 9; d <= 14; ++d) EXPECT_EQ(currentHoliday(at(2024, 2, d)), Holiday::carnival) << d;
    EXPECT_EQ(currentHoliday(at(2024, 2, 15)), std::nullopt);
    EXPECT_TRUE(isDay(Holiday::valentines, at(2024, 2, 14)));
}

TEST(Holiday, FixedSeasonsAndDaysAroundTheYear) {
    for (int d = 1; d <= 29; ++d) EXPECT_EQ(currentHoliday(at(2026, 12, d)), Holiday::christmas) << d;
    EXPECT_EQ(currentHoliday(at(2026, 12, 30, 0, 0)), Holiday::newYear);
    EXPECT_EQ(currentHoliday(at(2026, 12, 31, 23, 59)), Holiday::newYear);
    EXPECT_EQ(currentHoliday(at(2027, 1, 1, 23, 59)), Holiday::newYear);
    EXPECT_EQ(currentHoliday(at(2027, 1, 2, 0, 0)), std::nullopt);
    EXPECT_TRUE(isDay(Holiday::newYear, at(2026, 12, 31)));
    EXPECT_TRUE(isDay(Holiday::newYear, at(2027, 1, 1)));
    EXPECT_FALSE(isDay(Holiday::newYear, at(2026, 12, 30)));
    EXPECT_TRUE(isDay(Holiday::christmas, at(2026, 12, 24)));
    EXPECT_TRUE(isDay(Holiday::christmas, at(2026, 12, 25)));
    EXPECT_FALSE(isDay(Holiday::christmas, at(2026, 12, 26)));

    for (int d = 1; d <= 30; ++d) {
        EXPECT_EQ(currentHoliday(at(2026, 6, d)), Holiday::festaJunina) << d;
        EXPECT_EQ(isDay(Holiday::festaJunina, at(2026, 6, d)), d == 23 || d == 24) << d;
    }
    for (int d = 1; d <= 31; ++d) {
        EXPECT_EQ(currentHoliday(at(2026, 10, d)), Holiday::halloween) << d;
        EXPECT_EQ(isDay(Holiday::halloween, at(2026, 10, d)), d == 31) << d;
    }
    EXPECT_EQ(currentHoliday(at(2026, 2, 6)), std::nullopt);
    EXPECT_EQ(currentHoliday(at(2026, 7, 1, 0, 0)), std::nullopt);
    EXPECT_EQ(currentHoliday(at(2026, 5, 31, 23, 59)), std::nullopt);
}

TEST(Holiday, BirthdayIsNeverADayNorASeasonAndSeasonsCoverTheExpectedDays) {
    std::map<std::optional<Holiday>, int> seasonDays;
    for (QDate d(2026, 1, 1); d.year() == 2026; d = d.addDays(1)) {
        const QDateTime noon(d, QTime(12, 0));
        EXPECT_FALSE(isDay(Holiday::birthday, noon));
        ++seasonDays[currentHoliday(noon)];
    }
    EXPECT_EQ(seasonDays.count(Holiday::birthday), 0u);
    EXPECT_EQ(seasonDays[Holiday::newYear], 3);       // 1 January, 30 and 31 December
    EXPECT_EQ(seasonDays[Holiday::valentines], 6);    // 7 to 12 February; carnival takes the 13th and 14th
    EXPECT_EQ(seasonDays[Holiday::carnival], 6);
    EXPECT_EQ(seasonDays[Holiday::easter], 8);
    EXPECT_EQ(seasonDays[Holiday::festaJunina], 30);
    EXPECT_EQ(seasonDays[Holiday::halloween], 31);
    EXPECT_EQ(seasonDays[Holiday::christmas], 29);
}

TEST(Holiday, SeasonsFollowTheZoneTheDateCarries) {
    // 23:30 UTC on 29 December is already the 30th in Tokyo.
    const QDateTime utc(QDate(2026, 12, 29), QTime(23, 30), Qt::UTC);
    EXPECT_EQ(currentHoliday(utc), Holiday::christmas);
    EXPECT_EQ(currentHoliday(utc.toTimeZone(QTimeZone("Asia/Tokyo"))), Holiday::newYear);
    // Easter Sunday in São Paulo, already Monday in Tokyo.
    const QDateTime saoPaulo(QDate(2026, 4, 5), QTime(22, 0), QTimeZone("America/Sao_Paulo"));
    EXPECT_TRUE(isDay(Holiday::easter, saoPaulo));
    EXPECT_FALSE(isDay(Holiday::easter, saoPaulo.toTimeZone(QTimeZone("Asia/Tokyo"))));
}

TEST(Holiday, BirthMilestones) {
    const QDateTime birth = at(2026, 1, 10, 15, 0);
    EXPECT_TRUE(isBirthMilestone(at(2026, 2, 10, 9, 0), birth));  // a whole month is not yet up at 09:00
    EXPECT_TRUE(isBirthMilestone(at(2026, 2, 10, 18, 0), birth));
    EXPECT_FALSE(isBirthMilestone(at(2026, 2, 11, 9, 0), birth));
    EXPECT_FALSE(isBirthMilestone(at(2026, 3, 10), birth));
    EXPECT_TRUE(isBirthMilestone(at(2026, 4, 10), birth));
    EXPECT_TRUE(isBirthMilestone(at(2026, 6, 10), birth));
    EXPECT_FALSE(isBirthMilestone(at(2026, 7, 10), birth));
    EXPECT_TRUE(isBirthMilestone(at(2027, 1, 10, 9, 0), birth));
    EXPECT_FALSE(isBirthMilestone(at(2027, 7, 10), birth));
    EXPECT_TRUE(isBirthMilestone(at(2028, 1, 10, 23, 59), birth));
    // Never at or before the birth, nor later on the birth day itself.
    EXPECT_FALSE(isBirthMilestone(birth, birth));
    EXPECT_FALSE(isBirthMilestone(at(2026, 1, 10, 16, 0), birth));
    EXPECT_FALSE(isBirthMilestone(at(2025, 12, 10), birth));
    // The same through reference seconds in local time.
    EXPECT_TRUE(isBirthMilestone(seconds(2026, 4, 10, 8), seconds(2026, 1, 10, 15)));
    // A damaged birth date is no birth at all.
    EXPECT_FALSE(isBirthMilestone(seconds(2026, 4, 10, 8), std::nan("")));
    EXPECT_FALSE(isBirthMilestone(seconds(2026, 4, 10, 8), -1e300));
    EXPECT_TRUE(birthMilestones(-std::numeric_limits<double>::infinity(), seconds(2026, 4, 10, 8)).empty());
    EXPECT_EQ(holidayOfTheDay(seconds(2026, 12, 10, 9), std::nan("")), Holiday::christmas);
}

TEST(Holiday, MonthEndBirthsMeetTheirMilestoneOnTheMonthsLastDay) {
    const QDateTime birth = at(2026, 1, 31, 12, 0);
    EXPECT_TRUE(isBirthMilestone(at(2026, 2, 28, 11, 0), birth));
    EXPECT_TRUE(isBirthMilestone(at(2026, 2, 28, 13, 0), birth));
    EXPECT_FALSE(isBirthMilestone(at(2026, 3, 3), birth));
    EXPECT_TRUE(isBirthMilestone(at(2026, 4, 30), birth));  // three months: 31 April does not exist
    EXPECT_TRUE(isBirthMilestone(at(2024, 2, 29), at(2024, 1, 31)));
}

TEST(Holiday, MilestoneListUpToADate) {
    const QDateTime birth = at(2026, 1, 10, 15, 0);
    EXPECT_TRUE(birthMilestones(birth, birth).empty());
    EXPECT_TRUE(birthMilestones(birth, at(2026, 2, 10, 9, 0)).empty());  // not a whole month yet
    EXPECT_TRUE(birthMilestones(birth, at(2025, 1, 1)).empty());

    const auto thirteen = birthMilestones(birth, at(2027, 2, 10, 16, 0));
    ASSERT_EQ(thirteen.size(), 4u);
    const int months[] = {1, 3, 5, 12};
    const QDate days[] = {QDate(2026, 2, 10), QDate(2026, 4, 10), QDate(2026, 6, 10), QDate(2027, 1, 10)};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(thirteen[i].months, months[i]);
        EXPECT_EQ(thirteen[i].date, QDateTime(days[i], QTime(15, 0)));
    }
    const auto years = birthMilestones(seconds(2020, 1, 10), seconds(2026, 1, 10, 13));
    ASSERT_EQ(years.size(), 3u + 6u);
    EXPECT_EQ(years.back().months, 72);
}

TEST(Holiday, TheRoomsDecorateForTheBirthdayFirst) {
    const double birth = seconds(2026, 11, 10, 15);
    EXPECT_EQ(holidayOfTheDay(seconds(2026, 12, 10, 9), birth), Holiday::birthday);
    EXPECT_EQ(holidayOfTheDay(seconds(2026, 12, 10, 9), std::nullopt), Holiday::christmas);
    EXPECT_EQ(holidayOfTheDay(seconds(2026, 12, 11, 9), birth), Holiday::christmas);
    EXPECT_EQ(holidayOfTheDay(seconds(2027, 3, 1), birth), std::nullopt);
}
