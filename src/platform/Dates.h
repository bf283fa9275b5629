#pragma once
// Dates travel as double seconds since 2001-01-01 00:00 UTC; calendar work uses local time.
#include <QDateTime>

namespace kp {

inline constexpr double kReferenceDateUnix = 978307200.0;

inline QDateTime dateFromReference(double seconds) {
    return QDateTime::fromMSecsSinceEpoch(qint64((seconds + kReferenceDateUnix) * 1000.0));
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
