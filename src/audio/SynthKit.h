#pragma once
// Small pieces every generator is built from: noise, a phase accumulator and the two-stage band
// filter. Internal to the sound generators.
#include "platform/Random.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace kp::synth::kit {

constexpr double kRate = 44100.0;
constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Whole samples in a duration, cut (not rounded).
inline int sampleCount(double seconds) { return int(kRate * seconds); }

// `n` samples, each `sampleAt(t)` at its time t = i / 44100 s, called in order.
template <typename Fn>
std::vector<float> render(int n, Fn&& sampleAt) {
    std::vector<float> out(std::size_t(std::max(n, 0)), 0.0f);
    for (int i = 0; i < n; ++i) out[std::size_t(i)] = float(sampleAt(i / kRate));
    return out;
}

// White noise in -1...1.
inline double noise(RandomSource& random) { return random.uniform(-1.0, 1.0); }

// Rises linearly from 0 to 1 over `over` seconds, then stays at 1.
inline double ramp(double t, double over) { return std::min(t / over, 1.0); }

// Phase accumulator kept within one turn, so sin() stays exact over long sounds. Advances before
// use: the first sample already sits one step in.
struct Phase {
    double value = 0.0;
    double advance(double hz) {
        value += kTwoPi * hz / kRate;
        if (value >= kTwoPi) value -= kTwoPi;
        else if (value < 0.0) value += kTwoPi;
        return value;
    }
};

// Two one-pole low-passes in cascade, the second fed by the first, read as first minus second.
struct Band {
    double a = 0.0, b = 0.0;
    double ca, cb;
    Band(double firstCoefficient, double secondCoefficient)
        : ca(firstCoefficient), cb(secondCoefficient) {}
    double operator()(double x) {
        a += ca * (x - a);
        b += cb * (a - b);
        return a - b;
    }
};

}  // namespace kp::synth::kit
