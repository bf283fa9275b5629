#include "life/SkyClock.h"

#include "platform/Dates.h"

#include <cmath>
#include <ctime>

namespace kp {

namespace {

// Local calendar fields of a reference date; false when the date has none (not finite, out of range).
bool localFields(double at, std::tm& out) {
    if (!std::isfinite(at)) return false;
    const double unix = std::floor(at + kReferenceDateUnix);
    if (unix < -6.7e16 || unix > 6.7e16) return false;
    const std::time_t t = static_cast<std::time_t>(unix);
    // localtime_r reads the zone once, not at every call, and allocates nothing.
    return localtime_r(&t, &out) != nullptr;
}

}  // namespace

SkyTime skyTime(double at) {
    std::tm tm{};
    if (!localFields(at, tm)) return SkyTime::night;
    const int h = tm.tm_hour;
    if (h >= 5 && h <= 7) return SkyTime::morning;
    if (h >= 8 && h <= 14) return SkyTime::day;
    if (h >= 15 && h <= 17) return SkyTime::afternoon;
    if (h >= 18 && h <= 19) return SkyTime::sunset;
    return SkyTime::night;
}

bool isSnowSeason(double at) {
    std::tm tm{};
    if (!localFields(at, tm)) return false;
    return tm.tm_mon == 11 && tm.tm_mday >= 15 && tm.tm_mday <= 29;
}

double lightningFlash(double t) {
    const double k = std::floor(t / 9.0);
    const double r = std::fabs(std::sin(12.9898 * k) * 43758.5453);
    const double f = r - std::trunc(r);
    const double start = 9.0 * k + 6.0 * f;
    const double d = t - start;
    if (d > 0.0 && d < 0.08) return 1.0;
    if (d > 0.16 && d < 0.24) return 0.6;
    return 0.0;
}

}  // namespace kp
