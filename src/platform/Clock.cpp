#include "Clock.h"
#include "Dates.h"

#include <chrono>
#include <ctime>

namespace kp {

double SystemClock::now() const {
    using namespace std::chrono;
    const double unix = duration<double>(system_clock::now().time_since_epoch()).count();
    return unix - kReferenceDateUnix;
}

double SystemClock::monotonic() const {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double SystemClock::sinceBoot() const {
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0) return monotonic();
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double SystemClock::trustedFrom() const {
    // A day's margin for a build machine whose clock ran a little ahead.
    return double(KP_BUILT_AT) - kReferenceDateUnix - 86400;
}

SystemClock& SystemClock::shared() {
    static SystemClock clock;
    return clock;
}

}  // namespace kp
