#pragma once
// Random draws, uniform over closed ranges. Injected so tests are repeatable.
#include <cstdint>
#include <random>
#include <vector>

namespace kp {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // Uniform in [0, 1).
    virtual double unit() = 0;

    // Uniform over [lo, hi].
    double uniform(double lo, double hi) { return lo + (hi - lo) * unit(); }
    // Uniform over the whole numbers lo...hi, both included.
    int uniformInt(int lo, int hi) {
        if (hi <= lo) return lo;
        const int span = hi - lo + 1;
        int k = int(unit() * span);
        return lo + (k >= span ? span - 1 : k);
    }
    bool chance(double p) { return unit() < p; }
    bool coin() { return unit() < 0.5; }
};

// Seeded generator; SystemRandom seeds it from the device, or from KP_TEST_SEED when that holds a
// number, so an end-to-end run makes the same choices each time.
class SeededRandom : public RandomSource {
public:
    explicit SeededRandom(std::uint64_t seed) : engine_(seed) {}
    double unit() override { return std::uniform_real_distribution<double>(0.0, 1.0)(engine_); }

private:
    std::mt19937_64 engine_;
};

class SystemRandom final : public SeededRandom {
public:
    SystemRandom();
    static SystemRandom& shared();
};

// Hands out a fixed sequence, repeating its last value; for tests.
class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(std::initializer_list<double> values) : values_(values) {}
    double unit() override {
        if (values_.empty()) return 0.0;
        double v = values_[next_ < values_.size() ? next_ : values_.size() - 1];
        ++next_;
        return v;
    }

private:
    std::vector<double> values_;
    std::size_t next_ = 0;
};

}  // namespace kp
