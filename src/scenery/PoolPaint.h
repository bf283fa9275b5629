#pragma once
#include <functional>

namespace kp::scenery {

// Runs `work` on a thread of the global pool and waits for it: the same thread hand-off after
// hand-off, so that a frame's paint finds its pictures warm (in place when called from the pool,
// or when no pool thread is free). Called from any other thread, the raster engine splits each
// large antialiased fill over that pool, and on a small image the hand-offs cost far more than the
// fills; drawn from inside the pool, a picture fills in one go. Whatever `work` draws with is used
// by one thread at a time, since the caller waits.
void paintInPool(const std::function<void()>& work);

}  // namespace kp::scenery
