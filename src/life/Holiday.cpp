#include "life/Holiday.h"

#include "platform/Dates.h"

#include <QTimeZone>

#include <cmath>
#include <limits>

namespace kp {

namespace {

// `moment` shown in the time zone (or local time) that `like` carries, so both read the same calendar.
QDateTime inZoneOf(const QDateTime& moment, const QDateTime& like) {
    switch (like.timeSpec()) {
    case Qt::LocalTime: return moment.toLocalTime();
    case Qt::UTC: return moment.toUTC();
    case Qt::OffsetFromUTC: return moment.toOffsetFromUtc(like.offsetFromUtc());
    case Qt::TimeZone: return moment.toTimeZone(like.timeZone());
    }
    return moment;
}

// The first moment of `day` in the calendar of `like`; none when the day cannot be formed.
std::optional<QDateTime> startOfDay(QDate day, const QDateTime& like) {
    if (!day.isValid()) return std::nullopt;
    QDateTime start;
    switch (like.timeSpec()) {
    case Qt::TimeZone: start = day.startOfDay(like.timeZone()); break;
    case Qt::OffsetFromUTC: start = day.startOfDay(Qt::OffsetFromUTC, like.offsetFromUtc()); break;
    default: start = day.startOfDay(like.timeSpec()); break;
    }
    if (!start.isValid()) return std::nullopt;
    return start;
}

// Easter Sunday's calendar day (anonymous Gregorian algorithm).
std::optional<QDate> easterDay(int year) {
    if (year < 1) return std::nullopt;  // the algorithm counts in positive Gregorian years
    const int a = year % 19;
    const int b = year / 100;
    const int c = year % 100;
    const int d = b / 4;
    const int e = b % 4;
    const int f = (b + 8) / 25;
    const int g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4;
    const int k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int n = h + l - 7 * m + 114;
    const QDate date(year, n / 31, (n % 31) + 1);
    if (!date.isValid()) return std::nullopt;
    return date;
}

// Whether `date` lies in [E + from days, E + to days), both taken at the start of their day.
bool inEasterSpan(const QDateTime& date, int fromDays, int toDays) {
    const auto easter = easterDay(date.date().year());
    if (!easter) return false;
    const auto from = startOfDay(easter->addDays(fromDays), date);
    const auto to = startOfDay(easter->addDays(toDays), date);
    if (!from || !to) return false;
    return *from <= date && date < *to;
}

// Whole months from `from` to `to` (same calendar): the largest m with from + m months <= to.
std::optional<long long> wholeMonths(const QDateTime& from, const QDateTime& to) {
    const QDate a = from.date();
    const QDate b = to.date();
    if (!a.isValid() || !b.isValid()) return std::nullopt;
    long long months = (static_cast<long long>(b.year()) - a.year()) * 12 + (b.month() - a.month());
    if (months > std::numeric_limits<int>::max() - 1 || months < std::numeric_limits<int>::min() + 1)
        return std::nullopt;
    // Adding months clamps to the month's last day, so the estimate is at most one too many.
    const QDateTime landed = from.addMonths(static_cast<int>(months));
    if (landed.isValid() && landed > to) --months;
    return months;
}

// Local time of reference seconds; invalid for a time no calendar can hold (a damaged birth date).
QDateTime local(double seconds) {
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e14) return {};
    return dateFromReference(seconds).toLocalTime();
}

}  // namespace

std::optional<QDateTime> easterDate(int year, const QTimeZone& zone) {
    const auto day = easterDay(year);
    if (!day || !zone.isValid()) return std::nullopt;
    const QDateTime start = day->startOfDay(zone);
    if (!start.isValid()) return std::nullopt;
    return start;
}

std::optional<QDateTime> easterDate(int year, const QDateTime& like) {
    const auto day = easterDay(year);
    if (!day) return std::nullopt;
    return startOfDay(*day, like);
}

std::optional<Holiday> currentHoliday(const QDateTime& date) {
    if (!date.isValid()) return std::nullopt;
    const QDate day = date.date();
    const int month = day.month();
    const int dayOfMonth = day.day();
    // Carnival comes first: its season can overlap Valentine's week.
    if (inEasterSpan(date, -51, -45)) return Holiday::carnival;
    if ((month == 12 && dayOfMonth >= 30) || (month == 1 && dayOfMonth == 1)) return Holiday::newYear;
    if (month == 12) return Holiday::christmas;
    if (month == 10) return Holiday::halloween;
    if (month == 6) return Holiday::festaJunina;
    if (month == 2 && dayOfMonth >= 7 && dayOfMonth <= 14) return Holiday::valentines;
    if (inEasterSpan(date, -6, 2)) return Holiday::easter;
    return std::nullopt;
}

std::optional<Holiday> currentHoliday(double date) { return currentHoliday(local(date)); }

bool isDay(Holiday holiday, const QDateTime& date) {
    if (!date.isValid()) return false;
    const QDate day = date.date();
    const int month = day.month();
    const int dayOfMonth = day.day();
    switch (holiday) {
    case Holiday::newYear: return (month == 1 && dayOfMonth == 1) || (month == 12 && dayOfMonth == 31);
    case Holiday::valentines: return month == 2 && dayOfMonth == 14;
    case Holiday::carnival: return inEasterSpan(date, -50, -46);
    case Holiday::easter: {
        const auto easter = easterDay(day.year());
        return easter && startOfDay(*easter, date) && *easter == day;
    }
    case Holiday::festaJunina: return month == 6 && (dayOfMonth == 23 || dayOfMonth == 24);
    case Holiday::halloween: return month == 10 && dayOfMonth == 31;
    case Holiday::christmas: return month == 12 && (dayOfMonth == 24 || dayOfMonth == 25);
    case Holiday::birthday: return false;
    }
    return false;
}

bool isDay(Holiday holiday, double date) { return isDay(holiday, local(date)); }

CatAccessory seasonalPiece(Holiday holiday) {
    switch (holiday) {
    case Holiday::newYear: return CatAccessory::partyCrown;
    case Holiday::valentines: return CatAccessory::heartGlasses;
    case Holiday::carnival: return CatAccessory::carnivalMask;
    case Holiday::easter: return CatAccessory::bunnyEars;
    case Holiday::festaJunina: return CatAccessory::strawHat;
    case Holiday::halloween: return CatAccessory::witchHat;
    case Holiday::christmas: return CatAccessory::santaHat;
    case Holiday::birthday: return CatAccessory::partyHat;
    }
    return CatAccessory::partyHat;
}

bool isMilestoneMonth(long long months) {
    return months == 1 || months == 3 || months == 5 || (months > 0 && months % 12 == 0);
}

bool isBirthMilestone(const QDateTime& date, const QDateTime& birth) {
    if (!date.isValid() || !birth.isValid() || !(date > birth)) return false;
    const QDateTime born = inZoneOf(birth, date);
    const long long n = wholeMonths(born, date).value_or(0);
    // n + 1 catches the milestone day while its clock time is still before the birth's.
    for (long long m : {n, n + 1}) {
        if (!isMilestoneMonth(m) || m > std::numeric_limits<int>::max()) continue;
        const QDateTime milestone = born.addMonths(static_cast<int>(m));
        if (milestone.isValid() && milestone.date() == date.date()) return true;
    }
    return false;
}

bool isBirthMilestone(double date, double birth) { return isBirthMilestone(local(date), local(birth)); }

std::vector<BirthMilestone> birthMilestones(const QDateTime& birth, const QDateTime& date) {
    std::vector<BirthMilestone> out;
    if (!date.isValid() || !birth.isValid()) return out;
    const QDateTime born = inZoneOf(birth, date);
    const auto n = wholeMonths(born, date);
    if (!n || *n <= 0) return out;
    auto add = [&](long long m) {
        const QDateTime when = born.addMonths(static_cast<int>(m));
        if (when.isValid()) out.push_back({static_cast<int>(m), when});
    };
    for (long long m : {1, 3, 5})
        if (m <= *n) add(m);
    for (long long m = 12; m <= *n; m += 12) add(m);
    return out;
}

std::vector<BirthMilestone> birthMilestones(double birth, double date) {
    return birthMilestones(local(birth), local(date));
}

std::optional<Holiday> holidayOfTheDay(double now, std::optional<double> birth) {
    if (birth && isBirthMilestone(now, *birth)) return Holiday::birthday;
    return currentHoliday(now);
}

}  // namespace kp
