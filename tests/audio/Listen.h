#pragma once
// What a listener measures of a sound: its loudest sample and its loudness over a stretch (in
// samples), and how strongly one frequency sounds there.
#include "audio/AudioGraph.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace kp::test {

inline std::size_t at(double seconds) { return std::size_t(seconds * audio::kSampleRate); }

inline float peak(const audio::Samples& s, std::size_t from = 0, std::size_t to = SIZE_MAX) {
    float m = 0;
    for (std::size_t i = from; i < std::min(to, s.size()); ++i) m = std::max(m, std::fabs(s[i]));
    return m;
}

inline double rms(const audio::Samples& s, std::size_t from = 0, std::size_t to = SIZE_MAX) {
    to = std::min(to, s.size());
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0.0;
}

// A single-bin Fourier sum over [from, to), normalised: a sine of amplitude a gives about a / 2.
inline double strength(const audio::Samples& s, double hz, std::size_t from, std::size_t to) {
    double re = 0, im = 0;
    to = std::min(to, s.size());
    for (std::size_t i = from; i < to; ++i) {
        const double w = 2 * std::numbers::pi * hz * double(i) / audio::kSampleRate;
        re += s[i] * std::cos(w);
        im += s[i] * std::sin(w);
    }
    return std::hypot(re, im) / double(to - from);
}

}  // namespace kp::test
