#pragma once
// Dates travel as double seconds since 2001-01-01 00:00 UTC; calendar work uses local time.
#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace kp {

inline constexpr double kReferenceDateUnix = 978307200.0;

// About three million years either way: far past any real moment, and well inside what a count of
// milliseconds and a calendar year can hold.
inline constexpr double kFarthestMoment = 1e14;

// `seconds` kept within that range; not a number reads as the reference date.
inline double boundedMoment(double seconds) {
    return std::isnan(seconds) ? 0.0 : std::clamp(seconds, -kFarthestMoment, kFarthestMoment);
}

// The moments a record holds lie between the reference date (there was no cat before it) and
// about the year 2317, past any clock a real use runs on. Not a number is outside.
inline constexpr double kLatestRecordMoment = 1e10;
inline bool isRecordMoment(double seconds) { return seconds >= 0 && seconds <= kLatestRecordMoment; }

// A valid date for any double: moments beyond the range above are taken at its ends.
inline QDateTime dateFromReference(double seconds) {
    return QDateTime::fromMSecsSinceEpoch(qint64((boundedMoment(seconds) + kReferenceDateUnix) * 1000.0));
}

inline double referenceFromDate(const QDateTime& date) {
    return double(date.toMSecsSinceEpoch()) / 1000.0 - kReferenceDateUnix;
}

// Local calendar date of a reference time.
inline QDate localDate(double seconds) { return dateFromReference(seconds).toLocalTime().date(); }

// The same calendar day in local time.
inline bool isSameLocalDay(double a, double b) { return localDate(a) == localDate(b); }

// Local midnight at the start of the day holding `seconds`.
inline double startOfLocalDay(double seconds) {
    return referenceFromDate(localDate(seconds).startOfDay());
}

}  // namespace kp
