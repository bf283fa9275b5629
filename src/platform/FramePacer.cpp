#include "platform/FramePacer.h"

#include <QScreen>

#include <algorithm>
#include <cmath>

namespace kp {

void FramePacer::start(double periodSeconds, double now) {
    period_ = periodSeconds > 0 ? periodSeconds : 1.0 / 60;
    due_ = now;
}

int FramePacer::next(double now) {
    due_ += period_;
    // Late by a frame or more (a busy moment, a suspended session): counted again from now.
    if (due_ <= now) due_ = now + period_;
    return std::max(1, static_cast<int>(std::lround((due_ - now) * 1000)));
}

double displayFramePeriod(const QScreen* screen) {
    const double hz = screen ? screen->refreshRate() : 0;
    // Out-of-range answers come from drivers that do not know.
    return hz >= 20 && hz <= 500 ? 1 / hz : 1.0 / 60;
}

}  // namespace kp
