#include "platform/Spring.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace kp {

double springSettleTime(double response, double damping) {
    if (response <= 0) return 0;
    const double w0 = 2 * std::numbers::pi / response;
    const double z = std::clamp(damping, 0.0, 1.0);
    if (z <= 0) return std::numeric_limits<double>::infinity();
    // Settled once its envelope has decayed to 1e-4: what is left is far below a pixel or a colour step.
    return std::log(1e4) / (z * w0);
}

double springProgress(double elapsed, double response, double damping) {
    if (elapsed <= 0) return 0;
    if (elapsed >= springSettleTime(response, damping)) return 1;
    const double w0 = 2 * std::numbers::pi / response;
    const double z = std::clamp(damping, 0.0, 1.0);
    const double decay = std::exp(-z * w0 * elapsed);
    if (z >= 1) return 1 - decay * (1 + w0 * elapsed);
    const double wd = w0 * std::sqrt(1 - z * z);
    return 1 - decay * (std::cos(wd * elapsed) + z * w0 / wd * std::sin(wd * elapsed));
}

}  // namespace kp
