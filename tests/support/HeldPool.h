#pragma once
// Drawing while the global thread pool has one thread, held busy: a fill the raster engine splits
// over the pool waits for it, so such drawing does not finish until the pool is let go.
#include <QThreadPool>

#include <chrono>
#include <functional>
#include <future>

namespace kp::test {

// Whether `draw`, run on a thread of its own, finished within 20 s while the pool was held.
inline bool finishesWhileThePoolIsHeld(const std::function<void()>& draw) {
    QThreadPool* pool = QThreadPool::globalInstance();
    pool->waitForDone();  // an earlier hand-off's thread has gone
    const int threads = pool->maxThreadCount();
    pool->setMaxThreadCount(1);
    std::promise<void> letGo;
    std::shared_future<void> held = letGo.get_future().share();
    std::promise<void> holding;
    pool->start([held, &holding] {
        holding.set_value();
        held.wait();
    });
    holding.get_future().wait();
    auto drawn = std::async(std::launch::async, draw);
    const bool finished = drawn.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    letGo.set_value();
    drawn.wait();
    pool->waitForDone();
    pool->setMaxThreadCount(threads);
    return finished;
}

}  // namespace kp::test
