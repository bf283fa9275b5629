#pragma once
// SplitMix64: a tiny seeded generator whose whole state is one 64-bit word, so a copy of it replays
// the same numbers. The draws below are exact recipes (bit for bit), so a seed always gives the
// same music.
#include "platform/Random.h"

#include <cstdint>

namespace kp {

struct SplitMixRandom {
    std::uint64_t state = 0;

    constexpr std::uint64_t next() {
        state += 0x9e3779b97f4a7c15ull;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }

    // Uniform in [lo, hi).
    double unit(double lo = 0.0, double hi = 1.0) {
        for (;;) {
            const double u = double(next() & kLow53) * kEpsilon53;
            const double r = u * (hi - lo) + lo;
            if (r != hi) return r;
        }
    }

    // Uniform over [lo, hi], both ends reachable.
    double closed(double lo, double hi) {
        constexpr std::uint64_t span = (std::uint64_t(1) << 53) + 1;
        constexpr std::uint64_t threshold = (std::uint64_t(1) << 53) - 2047;  // 2^64 mod span
        for (;;) {
            const unsigned __int128 product = (unsigned __int128)next() * span;
            if (std::uint64_t(product) < threshold) continue;
            const std::uint64_t u = std::uint64_t(product >> 64);
            if (u == (std::uint64_t(1) << 53)) return hi;
            return double(u) * kEpsilon53 * (hi - lo) + lo;
        }
    }

    // Uniform over 0...n-1 without modulo bias; 0 when n is 0.
    std::uint64_t below(std::uint64_t n) {
        if (n == 0) return 0;
        const std::uint64_t threshold = (0 - n) % n;  // 2^64 mod n
        for (;;) {
            const unsigned __int128 product = (unsigned __int128)next() * n;
            if (std::uint64_t(product) >= threshold) return std::uint64_t(product >> 64);
        }
    }

private:
    static constexpr std::uint64_t kLow53 = (std::uint64_t(1) << 53) - 1;
    static constexpr double kEpsilon53 = 1.0 / 9007199254740992.0;  // 2^-53
};

// The same generator where a RandomSource is wanted.
class SplitMixSource final : public RandomSource {
public:
    explicit SplitMixSource(std::uint64_t seed) { rng.state = seed; }
    double unit() override { return rng.unit(); }
    SplitMixRandom rng;
};

}  // namespace kp
