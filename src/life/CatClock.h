#pragma once
// The cat's own time: the wall clock's moments as the cat has lived them. It moves by the seconds
// the machine counts, its sleep included, so a clock set forward or back while the app runs is no
// time lived; and it never runs back, so its moment is the latest the cat has lived to. A run goes
// on from the last one's moment and meets the wall clock there (see `towardWall`).
#include "platform/Clock.h"

namespace kp {

class CatClock final : public Clock {
public:
    // A wall clock this far or further behind the cat's time is believed: the cat's time ran ahead
    // under a clock that did (a year ahead once), and comes back to it. One less far behind (kept in
    // local time by another system on the machine) is not: the cat has lived those hours already.
    static constexpr double kBelievedBehind = 2 * 86400.0;

    // At the wall clock's moment; `wall` must outlive it.
    explicit CatClock(const Clock& wall);

    double now() const override;
    double monotonic() const override { return wall_.monotonic(); }
    double sinceBoot() const override { return wall_.sinceBoot(); }

    // Its time goes on from `t`: the last run's moment, or a birth under a clock known to be wrong.
    void resumeAt(double t);
    // Its time moves by `by` seconds, none of them lived.
    void moveBy(double by) { offset_ -= by; }
    // How far its time moves to meet the wall clock: up to a clock ahead of it (the seconds between
    // are time away), back to one at least kBelievedBehind behind it, and not at all to one less far
    // behind, ahead of which the cat lives on.
    double towardWall() const;

private:
    const Clock& wall_;
    // How far the wall clock stands ahead of the cat's time; the last readings of the wall clock and
    // of the machine's count.
    mutable double offset_ = 0;
    mutable double lastWall_;
    mutable double lastBoot_;
};

}  // namespace kp
