#pragma once
#include <cstdint>
#include <functional>
#include <vector>

namespace kp::scenery {

// Runs `work` on a thread of the global pool and waits for it: the same thread hand-off after
// hand-off, so that a frame's paint finds its pictures warm (in place when called from the pool,
// or when no pool thread is free). Called from any other thread, the raster engine splits each
// large antialiased fill over that pool, and on a small image the hand-offs cost far more than the
// fills; drawn from inside the pool, a picture fills in one go. Whatever `work` draws with is used
// by one thread at a time, since the caller waits.
void paintInPool(const std::function<void()>& work);

// The raster engine splits a large fill over the global pool and waits for every part. A part
// given to a thread the pool could not start is never done, and the wait never ends: the pool
// (Qt 6.4) does not see the failure. So the app has the pool make its `count` threads once, before
// anything uses it, and keep them for the run: it never makes another, drawing waits only on
// threads that are there, and the hand-offs' kept task takes one of them. How many started (a
// thread that could not is waited for 10 s).
int makePoolThreadsForGood(int count);
// Whether a thread asked for up front never started: the pool counts it busy for good, and waits
// for it for ever as the application ends.
bool poolLacksAThread();

// Hand-offs taken by a pool thread so far, in place ones not counted.
std::uint64_t handOffsMade();

// Which way frames drawn at high pixel ratios go: handed off, or drawn in place. A hand-off spares
// the raster engine's split fills, but costs two thread switches and the frame's pixels crossing
// to another core; which costs less depends on what the frames draw (rain on the windows splits
// many fills, a clear night hardly any). Each way is tried on a few frames in turn, by what they
// cost, and the cheaper kept for a while; then both are tried again.
class FrameWay {
public:
    static constexpr int kTried = 30;  // frames each way is tried on
    static constexpr int kKept = 600;  // frames the cheaper way is kept for
    bool handOff() const { return handOff_; }
    // Whether frames' costs are compared now; while the cheaper way is kept, `add` only counts.
    bool trying() const { return trying_; }
    // A frame drawn the current way cost `seconds`.
    void add(double seconds);
    // Both ways are tried again, the hand-off first: what the frames draw changed.
    void retry();

private:
    bool handOff_ = true;
    bool trying_ = true;
    int frames_ = 0;
    std::vector<double> costs_[2];  // this trial's frames, in place and handed off
};

// The room's frames' way (the main thread's).
FrameWay& roomFrameWay();
// The process's CPU time so far, in seconds: every thread's, the pool's included.
double processSeconds();

// Whether a frame drawn at `pixelsPerPoint` device pixels a point may be handed off: from 1.5.
// Near one pixel a point a frame's shapes are small enough that the raster engine fills nearly
// all of them in one go from any thread, and a hand-off always costs more than the few fills it
// would spare.
bool mayHandOff(double pixelsPerPoint);
// Whether it is: when it may, and the room's frames go that way.
bool handOffPays(double pixelsPerPoint);
// `work` handed off when that pays, done in place otherwise; whether it was handed off.
bool paintFrameWork(double pixelsPerPoint, const std::function<void()>& work);
// `work` whose fills the raster engine would split over the pool: handed off wherever a frame may
// be, whichever way the room's frames go; done in place otherwise. Whether it was handed off.
bool paintLargeFills(double pixelsPerPoint, const std::function<void()>& work);

}  // namespace kp::scenery
