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

// Feeds `frames` frames to `way`, each costing what `cost(handedOff, i)` says; the ways they went.
template <typename Cost>
std::vector<bool> feed(FrameWay& way, int frames, Cost&& cost) {
    std::vector<bool> went;
    for (int i = 0; i < frames; ++i) {
        went.push_back(way.handOff());
        way.add(cost(way.handOff(), i));
    }
    return went;
}

TEST(FrameWay, EachWayIsTriedThenTheCheaperKeptForAWhileThenBothTriedAgain) {
    const int tried = FrameWay::kTried, kept = FrameWay::kKept;
    for (bool handOffCheaper : {false, true}) {
        FrameWay way;
        // A few frames drawn whole cost far more: they do not decide.
        const auto cost = [&](bool handedOff, int i) {
            if (!handedOff && i % 10 == 3) return 0.05;
            return handedOff == handOffCheaper ? 0.001 : 0.002;
        };
        const std::vector<bool> went = feed(way, 2 * tried + kept + 2 * tried, cost);
        for (int i = 0; i < tried; ++i) EXPECT_TRUE(went[i]) << i;
        for (int i = tried; i < 2 * tried; ++i) EXPECT_FALSE(went[i]) << i;
        for (int i = 2 * tried; i < 2 * tried + kept; ++i) ASSERT_EQ(went[i], handOffCheaper) << i;
        for (int i = 2 * tried + kept; i < 3 * tried + kept; ++i) EXPECT_TRUE(went[i]) << i;
        for (int i = 3 * tried + kept; i < 4 * tried + kept; ++i) EXPECT_FALSE(went[i]) << i;
        EXPECT_EQ(way.handOff(), handOffCheaper);
        EXPECT_FALSE(way.trying());
    }

    // Told to try again mid-way, it starts over with the hand-off.
    FrameWay way;
    feed(way, 2 * tried + 5, [](bool handedOff, int) { return handedOff ? 0.002 : 0.001; });
    ASSERT_FALSE(way.handOff());
    way.retry();
    const std::vector<bool> went = feed(way, 2 * tried, [](bool handedOff, int) { return handedOff ? 0.001 : 0.002; });
    EXPECT_TRUE(went.front());
    EXPECT_FALSE(went.back());
    EXPECT_TRUE(way.handOff());
}

TEST(FrameWay, FramesAtOnePixelAPointAreNeverHandedOff) {
    FrameWay& way = roomFrameWay();
    way.retry();
    EXPECT_TRUE(handOffPays(2));
    EXPECT_FALSE(handOffPays(1));
    feed(way, 2 * FrameWay::kTried, [](bool handedOff, int) { return handedOff ? 0.002 : 0.001; });
    EXPECT_FALSE(handOffPays(2));
    EXPECT_FALSE(handOffPays(1));
    way.retry();
}

}  // namespace
}  // namespace kp::scenery
