#pragma once
// Cancellable delayed and repeating work on the main thread.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class QTimer;

namespace kp {

using WorkId = std::uint64_t;  // 0 is never a valid id

class Scheduler {
public:
    virtual ~Scheduler() = default;
    // Runs `work` once after `seconds`.
    virtual WorkId after(double seconds, std::function<void()> work) = 0;
    // Runs `work` every `seconds` until cancelled.
    virtual WorkId every(double seconds, std::function<void()> work) = 0;
    // Cancelling finished or unknown work is harmless.
    virtual void cancel(WorkId id) = 0;
    virtual bool isPending(WorkId id) const = 0;
};

// The Qt event loop's scheduler. Work fires on time, never early: one-shot work is what users see
// and hear (a cue, a fade, a card going away). Only repeating work of a tenth of a second or more
// may be grouped with other wake-ups. Delays longer than a timer can hold are waited in legs.
class QtScheduler final : public Scheduler {
public:
    QtScheduler();
    ~QtScheduler() override;
    WorkId after(double seconds, std::function<void()> work) override;
    WorkId every(double seconds, std::function<void()> work) override;
    void cancel(WorkId id) override;
    bool isPending(WorkId id) const override;
    static QtScheduler& shared();

private:
    struct Entry {
        QTimer* timer;
        double interval;
        std::int64_t dueNs;  // monotonic
        bool repeat;
        std::shared_ptr<std::function<void()>> work;
    };
    WorkId start(double seconds, bool repeat, std::function<void()> work);
    void arm(Entry& entry);
    void fired(WorkId id);
    WorkId next_ = 1;
    std::map<WorkId, Entry> timers_;
};

// Time moves only when a test says so; due work runs in time order.
class ManualScheduler final : public Scheduler {
public:
    WorkId after(double seconds, std::function<void()> work) override;
    WorkId every(double seconds, std::function<void()> work) override;
    void cancel(WorkId id) override;
    bool isPending(WorkId id) const override;

    double now() const { return now_; }
    // Moves time forward, running everything that falls due on the way.
    void advance(double seconds);
    std::size_t pendingCount() const { return items_.size(); }
    // Distinct moments at which work ran: the wake-ups a real loop would have had.
    int wakeUps() const { return wakeUps_; }

private:
    struct Item {
        double due;
        double interval;  // 0 for one-shot
        std::function<void()> work;
    };
    double now_ = 0;
    double lastRun_ = -1;
    int wakeUps_ = 0;
    WorkId next_ = 1;
    std::map<WorkId, Item> items_;
};

}  // namespace kp
