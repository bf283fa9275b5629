#pragma once
// The one damped spring the views animate with, as a share of the way from start to target.

namespace kp {

// Share of a spring's way from start to target `elapsed` seconds after it began, for a damped
// spring whose undamped period is `response` seconds and whose damping ratio is `damping` (clamped
// to 0...1; 1 is critically damped, below 1 it overshoots and rings). 0 before it begins; exactly 1
// once settled (and for good after) or when `response` is not positive.
double springProgress(double elapsed, double response, double damping);

// Seconds after its start from which that spring has settled: springProgress is exactly 1 from
// then on, and not for good before (it may pass 1 on its way and swing back). Endless for an
// undamped spring. Whatever animates with the spring runs until then, overshoot included.
double springSettleTime(double response, double damping);

}  // namespace kp
