#include "scenery/PoolPaint.h"

#include <QCoreApplication>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>

namespace kp::scenery {

namespace {

// The pool wakes whichever of its threads has waited longest, so hand-offs a frame apart would
// each start on another thread, with cold caches and often on another core. One task of the pool
// stays instead and takes the hand-offs in turn, until none came for a while.
struct Painter {
    std::mutex mutex;
    std::condition_variable wake, finished;
    const std::function<void()>* job = nullptr;
    std::uint64_t posted = 0, completed = 0;
    bool running = false;  // a task of the pool takes the hand-offs
    bool grew = false;     // the pool grew by a thread for it
    bool stopping = false;
};

// The pool's threads made up front (none: the pool makes them as it needs), and how many started.
std::atomic<int> askedUpFront{0};
std::atomic<int> startedUpFront{0};
constexpr int kStartWaitMs = 10000;

constexpr std::chrono::milliseconds kKeptFor{1500};

Painter& painter() {
    static Painter* p = [] {
        auto* made = new Painter;
        // The pool waits for its tasks as the application ends: the kept one goes at once.
        qAddPostRoutine([] {
            Painter& q = painter();
            const std::lock_guard lock(q.mutex);
            q.stopping = true;
            q.wake.notify_all();
        });
        return made;
    }();
    return *p;
}

void take(Painter& p) {
    std::unique_lock lock(p.mutex);
    for (;;) {
        if (!p.wake.wait_for(lock, kKeptFor, [&] { return p.job != nullptr || p.stopping; }) ||
            (p.stopping && !p.job)) {
            p.running = false;
            if (std::exchange(p.grew, false)) {
                QThreadPool* pool = QThreadPool::globalInstance();
                pool->setMaxThreadCount(pool->maxThreadCount() - 1);
            }
            return;
        }
        const std::function<void()>* job = std::exchange(p.job, nullptr);
        lock.unlock();
        (*job)();
        lock.lock();
        ++p.completed;
        // Told with the lock let go, so that the caller does not wake only to wait for it.
        lock.unlock();
        p.finished.notify_all();
        lock.lock();
    }
}

}  // namespace

void paintInPool(const std::function<void()>& work) {
    QThreadPool* pool = QThreadPool::globalInstance();
    if (pool->contains(QThread::currentThread())) {
        work();
        return;
    }
    Painter& p = painter();
    std::unique_lock lock(p.mutex);
    if (p.stopping) {
        lock.unlock();
        work();
        return;
    }
    // One hand-off at a time, whichever thread asks.
    p.finished.wait(lock, [&] { return p.job == nullptr && p.completed == p.posted; });
    if (!p.running) {
        // The kept task brings a thread of its own, so the pool's others stay free for the raster
        // engine's split fills and for other work; or, where the pool's threads were made up front,
        // it takes one of them, and none is made now.
        p.grew = askedUpFront.load() == 0;
        if (p.grew) pool->setMaxThreadCount(pool->maxThreadCount() + 1);
        if (!pool->tryStart([&p] { take(p); })) {
            if (std::exchange(p.grew, false)) pool->setMaxThreadCount(pool->maxThreadCount() - 1);
            lock.unlock();
            work();
            return;
        }
        p.running = true;
    }
    p.job = &work;
    const std::uint64_t mine = ++p.posted;
    lock.unlock();
    p.wake.notify_one();
    lock.lock();
    p.finished.wait(lock, [&] { return p.completed >= mine; });
}

int makePoolThreadsForGood(int count) {
    QThreadPool* pool = QThreadPool::globalInstance();
    pool->setExpiryTimeout(-1);
    pool->setMaxThreadCount(count);
    askedUpFront = count;
    // Each task holds its thread until all are asked for, so that every start makes a thread.
    auto started = std::make_shared<QSemaphore>();
    auto hold = std::make_shared<QSemaphore>();
    for (int i = 0; i < count; ++i)
        pool->start([started, hold] {
            ++startedUpFront;
            started->release();
            hold->acquire();
        });
    hold->release(count);
    // A thread that was made runs at once; one that could not be never will.
    started->tryAcquire(count, kStartWaitMs);
    return startedUpFront.load();
}

bool poolLacksAThread() { return startedUpFront.load() < askedUpFront.load(); }

std::uint64_t handOffsMade() {
    Painter& p = painter();
    const std::lock_guard lock(p.mutex);
    return p.posted;
}

void FrameWay::add(double seconds) {
    if (!trying_) {
        if (++frames_ >= kKept) retry();
        return;
    }
    std::vector<double>& costs = costs_[handOff_ ? 1 : 0];
    costs.push_back(seconds);
    if (static_cast<int>(costs.size()) < kTried) return;
    if (handOff_) {
        handOff_ = false;
        return;
    }
    // By the middle frame of each: a frame drawn whole, or a busy moment, tells nothing.
    const auto middle = [](std::vector<double>& v) {
        std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    handOff_ = middle(costs_[1]) < middle(costs_[0]);
    trying_ = false;
    frames_ = 0;
}

void FrameWay::retry() {
    handOff_ = true;
    trying_ = true;
    frames_ = 0;
    costs_[0].clear();
    costs_[1].clear();
}

FrameWay& roomFrameWay() {
    static FrameWay way;
    return way;
}

double processSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

bool mayHandOff(double pixelsPerPoint) { return pixelsPerPoint >= 1.5; }

bool handOffPays(double pixelsPerPoint) { return mayHandOff(pixelsPerPoint) && roomFrameWay().handOff(); }

namespace {
bool handedOffIf(bool handOff, const std::function<void()>& work) {
    if (handOff)
        paintInPool(work);
    else
        work();
    return handOff;
}
}  // namespace

bool paintFrameWork(double pixelsPerPoint, const std::function<void()>& work) {
    return handedOffIf(handOffPays(pixelsPerPoint), work);
}

bool paintLargeFills(double pixelsPerPoint, const std::function<void()>& work) {
    return handedOffIf(mayHandOff(pixelsPerPoint), work);
}

}  // namespace kp::scenery
