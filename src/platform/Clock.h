#pragma once
// Wall clock (seconds since 2001-01-01 UTC, as records store dates) and a monotonic clock.
// Injected everywhere time matters so tests can move time by hand.
#include <cstdint>

namespace kp {

class Clock {
public:
    virtual ~Clock() = default;
    // Wall time, seconds since 2001-01-01 00:00 UTC. May jump (the user sets the clock).
    virtual double now() const = 0;
    // Seconds on a clock that never goes backwards; origin unspecified.
    virtual double monotonic() const = 0;
};

class SystemClock final : public Clock {
public:
    double now() const override;
    double monotonic() const override;
    static SystemClock& shared();
};

// A clock that stands still until told to move; for tests.
class ManualClock final : public Clock {
public:
    explicit ManualClock(double now = 0, double monotonic = 0) : now_(now), mono_(monotonic) {}
    double now() const override { return now_; }
    double monotonic() const override { return mono_; }
    void advance(double seconds) { now_ += seconds; if (seconds > 0) mono_ += seconds; }
    void setNow(double t) { now_ = t; }

private:
    double now_;
    double mono_;
};

}  // namespace kp
