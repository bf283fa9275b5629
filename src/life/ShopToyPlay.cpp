#include "life/ShopToyPlay.h"

#include <algorithm>

namespace kp {

namespace {

// A rise over half a second, a plateau at 1, a fall over half a second; 0 outside (a, b).
double bump(double u, double a, double b) {
    if (!(a < u && u < b)) return 0;
    return std::min({2 * (u - a), 2 * (b - u), 1.0});
}

constexpr double kWait = 1.4;
constexpr double kJump = 0.7;

}  // namespace

ToyPlayPhase toyPlayCurve(double t, double length) {
    if (t < kWait) return ToyPlayPhase::waiting();
    if (t < kWait + kJump) return ToyPlayPhase::jumpingIn((t - kWait) / kJump);
    if (t > length - kJump) return ToyPlayPhase::jumpingOut(std::min((t - (length - kJump)) / kJump, 1.0));
    const double u = t - kWait - kJump;
    if (11 < u && u < 26) return ToyPlayPhase::inside(0.3, true);
    return ToyPlayPhase::inside(std::max(bump(u, 4.5, 8.5), bump(u, 31, 34.5)), false);
}

}  // namespace kp
