// Paint handed to the pool: one pool thread takes the hand-offs in turn, and each caller waits.
#include "scenery/PoolPaint.h"

#include <QDeadlineTimer>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace kp::scenery {
namespace {

TEST(PoolPaint, HandOffsRunOneAtATimeOnTheSamePoolThreadAndTheCallerWaitsForEach) {
    QThreadPool* pool = QThreadPool::globalInstance();
    ASSERT_GE(pool->maxThreadCount(), 2);
    const int most = pool->maxThreadCount();
    const int free = most - pool->activeThreadCount();
    std::vector<QThread*> ran;
    for (int i = 0; i < 40; ++i) {
        int done = 0;
        paintInPool([&] {
            QThread::usleep(100);
            ran.push_back(QThread::currentThread());
            done = 1;
        });
        EXPECT_EQ(done, 1);  // back only once the work is done
    }
    ASSERT_EQ(ran.size(), 40u);
    EXPECT_TRUE(pool->contains(ran.front()));  // the raster engine does not split its fills there
    int others = 0;
    for (QThread* t : ran) others += t != ran.front();
    EXPECT_EQ(others, 0);
    // The kept thread is the pool's own extra: as many are free for other work as before.
    EXPECT_EQ(pool->maxThreadCount() - pool->activeThreadCount(), free);

    // From a pool thread, in place.
    QThread* inner = nullptr;
    QThread* outer = nullptr;
    QSemaphore back;
    pool->start([&] {
        outer = QThread::currentThread();
        paintInPool([&] { inner = QThread::currentThread(); });
        back.release();
    });
    back.acquire();
    EXPECT_EQ(inner, outer);

    // Two threads handing off at once: every job runs, never two at the same time.
    std::atomic<bool> busy{false};
    std::atomic<int> overlaps{0};
    int counts[2] = {0, 0};
    std::vector<std::thread> callers;
    for (int c = 0; c < 2; ++c)
        callers.emplace_back([&, c] {
            for (int i = 0; i < 50; ++i)
                paintInPool([&] {
                    if (busy.exchange(true)) ++overlaps;
                    ++counts[c];
                    busy = false;
                });
        });
    for (std::thread& t : callers) t.join();
    EXPECT_EQ(counts[0], 50);
    EXPECT_EQ(counts[1], 50);
    EXPECT_EQ(overlaps.load(), 0);

    // A while after the last hand-off, the kept thread goes, and the pool is as it was.
    QDeadlineTimer patience(10000);
    while (pool->maxThreadCount() != most && !patience.hasExpired()) QThread::msleep(20);
    EXPECT_EQ(pool->maxThreadCount(), most);
}

}  // namespace
}  // namespace kp::scenery
