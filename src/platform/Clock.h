#pragma once
// Wall clock (seconds since 2001-01-01 UTC, as records store dates) and a monotonic clock.
// Injected everywhere time matters so tests can move time by hand.
#include <cstdint>
#include <limits>

namespace kp {

class Clock {
public:
    virtual ~Clock() = default;
    // Wall time, seconds since 2001-01-01 00:00 UTC. May jump (the user sets the clock).
    virtual double now() const = 0;
    // Seconds on a clock that never goes backwards; origin unspecified.
    virtual double monotonic() const = 0;
    // Seconds the machine has counted, its sleep included: never set, never going backwards. What
    // lives through real time (the cat) counts by it; a step of the wall clock is not time.
    virtual double sinceBoot() const { return monotonic(); }
    // The earliest wall time this clock can truly show: a clock before the app's own build is wrong.
    virtual double trustedFrom() const { return -std::numeric_limits<double>::infinity(); }
    bool isTrue() const { return now() >= trustedFrom(); }
};

class SystemClock final : public Clock {
public:
    double now() const override;
    double monotonic() const override;
    double sinceBoot() const override;
    double trustedFrom() const override;
    static SystemClock& shared();
};

// A clock that stands still until told to move; for tests.
class ManualClock final : public Clock {
public:
    explicit ManualClock(double now = 0, double monotonic = 0) : now_(now), mono_(monotonic) {}
    double now() const override { return now_; }
    double monotonic() const override { return mono_; }
    double sinceBoot() const override { return mono_ + slept_; }
    double trustedFrom() const override { return trustedFrom_; }
    // Time passing: the wall clock and the machine's count move together.
    void advance(double seconds) { now_ += seconds; if (seconds > 0) mono_ += seconds; }
    // The machine asleep: the wall clock and its count move, the monotonic clock stands.
    void sleep(double seconds) { now_ += seconds; slept_ += seconds; }
    // The clock being set: only the wall clock moves.
    void setNow(double t) { now_ = t; }
    void setTrustedFrom(double t) { trustedFrom_ = t; }

private:
    double now_;
    double mono_;
    double slept_ = 0;
    double trustedFrom_ = -std::numeric_limits<double>::infinity();
};

}  // namespace kp
