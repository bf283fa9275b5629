#pragma once
// The day-milestone page's rubber stamp: the day count in a double ring with "DAYS" and
// "TOGETHER", in red ink, worn by a speckle pattern that follows from the count alone.
#include <QPointF>
#include <QString>
#include <QStringList>

#include <cstdint>

class QImage;
class QPainter;

namespace kp {

namespace milestone {
inline constexpr double kStampSide = 150.0;
inline constexpr double kStampTilt = -12.0;   // degrees, anticlockwise
inline constexpr double kStampOpacity = 0.82;

// The count after "days-": 0 when nothing follows or it does not parse as a 64-bit integer.
long long dayCount(const QString& key);
// The three lines: the figure, "DAY"/"DAYS", "TOGETHER".
QStringList stampWords(long long count);
// Seed of the worn ink (a negative count is seeded from its magnitude).
uint64_t wornInkSeed(long long count);
// Punches the speckles out of `painter`'s target (destination-out), over a width x height square.
void wornInk(QPainter& painter, double width, double height, long long count);
// The stamp's face (rings and words) in a side x side square at the painter's origin.
void stampFace(QPainter& painter, long long count);
// The finished stamp centred on `centre`: face, worn ink, opacity and tilt.
void paintDaysStamp(QPainter& painter, QPointF centre, long long count);
}  // namespace milestone

}  // namespace kp
