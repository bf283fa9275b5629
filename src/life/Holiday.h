#pragma once
// The holiday calendar: which holiday's decoration season covers a date, whether a date is one of a
// holiday's own days, and the cat's birth milestones. Pure functions of a date; the calendar is the
// Gregorian one in the time zone the date carries (the user's local time for the overloads that
// take reference seconds).
#include "cat/CatAccessory.h"
#include "platform/EnumNames.h"

#include <QDateTime>

#include <optional>
#include <vector>

class QTimeZone;

namespace kp {

enum class Holiday { newYear, valentines, carnival, easter, festaJunina, halloween, christmas, birthday };

template <>
struct EnumNames<Holiday> {
    static constexpr std::array<std::string_view, 8> names{
        "newYear", "valentines", "carnival", "easter", "festaJunina", "halloween", "christmas", "birthday"};
};

// Easter Sunday of `year` at the start of that day in `zone`; none when the date cannot be formed.
std::optional<QDateTime> easterDate(int year, const QTimeZone& zone);
// The same in the time zone (or local time) that `like` carries.
std::optional<QDateTime> easterDate(int year, const QDateTime& like);

// The holiday whose decoration season covers the date; `birthday` is never a season.
std::optional<Holiday> currentHoliday(const QDateTime& date);
std::optional<Holiday> currentHoliday(double date);

// Whether the date is one of the holiday's own days; never for `birthday`.
bool isDay(Holiday holiday, const QDateTime& date);
bool isDay(Holiday holiday, double date);

// The wardrobe piece a holiday's season hands out.
CatAccessory seasonalPiece(Holiday holiday);

// Birth milestones are 1, 3 and 5 months and every whole year after the birth.
bool isMilestoneMonth(long long months);

// Whether the date falls on a milestone day of a cat born at `birth`.
bool isBirthMilestone(const QDateTime& date, const QDateTime& birth);
bool isBirthMilestone(double date, double birth);

struct BirthMilestone {
    int months;
    QDateTime date;
    bool operator==(const BirthMilestone&) const = default;
};

// Every milestone reached between the birth and the date, ascending.
std::vector<BirthMilestone> birthMilestones(const QDateTime& birth, const QDateTime& date);
std::vector<BirthMilestone> birthMilestones(double birth, double date);

// What the rooms decorate for: the birthday on a milestone day (when the birth is known), else the
// season of the day.
std::optional<Holiday> holidayOfTheDay(double now, std::optional<double> birth);

}  // namespace kp
