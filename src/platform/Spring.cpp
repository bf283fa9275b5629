#include "platform/Spring.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kp {

double springProgress(double elapsed, double response, double damping) {
    if (elapsed <= 0) return 0;
    if (response <= 0) return 1;
    const double w0 = 2 * std::numbers::pi / response;
    const double z = std::clamp(damping, 0.0, 1.0);
    const double decay = std::exp(-z * w0 * elapsed);
    // Settled: what is left is far below a pixel or a colour step.
    if (decay < 1e-4) return 1;
    if (z >= 1) return 1 - decay * (1 + w0 * elapsed);
    const double wd = w0 * std::sqrt(1 - z * z);
    return 1 - decay * (std::cos(wd * elapsed) + z * w0 / wd * std::sin(wd * elapsed));
}

}  // namespace kp
