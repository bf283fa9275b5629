#pragma once
#include <cstdint>
#include <functional>

namespace kp::scenery {

// Runs `work` on a thread of the global pool and waits for it: the same thread hand-off after
// hand-off, so that a frame's paint finds its pictures warm (in place when called from the pool,
// or when no pool thread is free). Called from any other thread, the raster engine splits each
// large antialiased fill over that pool, and on a small image the hand-offs cost far more than the
// fills; drawn from inside the pool, a picture fills in one go. Whatever `work` draws with is used
// by one thread at a time, since the caller waits.
void paintInPool(const std::function<void()>& work);

// Hand-offs taken by a pool thread so far, in place ones not counted.
std::uint64_t handOffsMade();

// Whether a frame drawn at `pixelsPerPoint` device pixels a point is worth handing off: from 1.5.
// Near one pixel a point a frame's shapes are small enough that the raster engine fills nearly
// all of them in one go from any thread, and a hand-off (two thread switches every frame) costs
// more than the few fills it would spare.
bool handOffPays(double pixelsPerPoint);
// `work` handed off when that pays, done in place otherwise.
void paintFrameWork(double pixelsPerPoint, const std::function<void()>& work);

}  // namespace kp::scenery
