#include "Scheduler.h"

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <limits>

namespace kp {

namespace {

// The longest leg one timer waits; longer delays are waited in several legs.
constexpr std::int64_t kLegNs = std::int64_t(24) * 3600 * 1'000'000'000;
// Anything longer is as good as never, and keeps the arithmetic finite.
constexpr double kLongestSeconds = 100.0 * 365 * 24 * 3600;

std::int64_t monotonicNs() {
    static QElapsedTimer clock = [] {
        QElapsedTimer c;
        c.start();
        return c;
    }();
    return clock.nsecsElapsed();
}

double sane(double seconds) {
    if (std::isnan(seconds) || seconds < 0) return 0;
    return std::min(seconds, kLongestSeconds);
}

}  // namespace

QtScheduler::QtScheduler() = default;

QtScheduler::~QtScheduler() {
    for (auto& [id, entry] : timers_) delete entry.timer;
}

QtScheduler& QtScheduler::shared() {
    static QtScheduler scheduler;
    return scheduler;
}

WorkId QtScheduler::start(double seconds, bool repeat, std::function<void()> work) {
    const WorkId id = next_++;
    seconds = sane(seconds);
    auto* timer = new QTimer;
    Entry& entry = timers_[id] = Entry{timer, seconds, 0, repeat, std::make_shared<std::function<void()>>(std::move(work))};
    if (repeat && seconds >= 0.1 && seconds < double(kLegNs) / 1e9) {
        // Rounds of a tenth of a second or more (polls, batches, ticks) may share their wake-ups
        // with other timers: an idle app wakes rarely.
        timer->setTimerType(Qt::CoarseTimer);
        QObject::connect(timer, &QTimer::timeout, [work = entry.work] { (*work)(); });
        timer->start(int(std::lround(seconds * 1000)));
        return id;
    }
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, [this, id] { fired(id); });
    entry.dueNs = monotonicNs() + std::int64_t(seconds * 1e9);
    arm(entry);
    return id;
}

void QtScheduler::arm(Entry& entry) {
    const std::int64_t left = std::max<std::int64_t>(0, entry.dueNs - monotonicNs());
    // Rounded up, so that a precise timer never fires before the due time.
    entry.timer->start(int((std::min(left, kLegNs) + 999'999) / 1'000'000));
}

void QtScheduler::fired(WorkId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    Entry& entry = it->second;
    if (entry.dueNs > monotonicNs()) {  // a leg of a long wait
        arm(entry);
        return;
    }
    if (entry.repeat) {
        // The next round counts from this one's due time, so rounds do not drift.
        const std::int64_t step = std::max<std::int64_t>(1'000'000, std::int64_t(entry.interval * 1e9));
        entry.dueNs += step;
        if (entry.dueNs < monotonicNs()) entry.dueNs = monotonicNs() + step;
        arm(entry);
        const auto work = entry.work;  // the work may cancel itself
        (*work)();
        return;
    }
    const auto work = std::move(entry.work);
    entry.timer->deleteLater();
    timers_.erase(it);
    (*work)();
}

WorkId QtScheduler::after(double seconds, std::function<void()> work) {
    return start(seconds, false, std::move(work));
}

WorkId QtScheduler::every(double seconds, std::function<void()> work) {
    return start(seconds, true, std::move(work));
}

void QtScheduler::cancel(WorkId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    it->second.timer->stop();
    it->second.timer->deleteLater();
    timers_.erase(it);
}

bool QtScheduler::isPending(WorkId id) const { return timers_.count(id) != 0; }

WorkId ManualScheduler::after(double seconds, std::function<void()> work) {
    const WorkId id = next_++;
    items_[id] = Item{now_ + std::max(0.0, seconds), 0.0, std::move(work)};
    return id;
}

WorkId ManualScheduler::every(double seconds, std::function<void()> work) {
    const WorkId id = next_++;
    const double interval = std::max(1e-6, seconds);
    items_[id] = Item{now_ + interval, interval, std::move(work)};
    return id;
}

void ManualScheduler::cancel(WorkId id) { items_.erase(id); }

bool ManualScheduler::isPending(WorkId id) const { return items_.count(id) != 0; }

void ManualScheduler::advance(double seconds) {
    const double end = now_ + std::max(0.0, seconds);
    for (;;) {
        // Earliest due item; ties go to the one scheduled first.
        auto best = items_.end();
        for (auto it = items_.begin(); it != items_.end(); ++it)
            if (it->second.due <= end && (best == items_.end() || it->second.due < best->second.due)) best = it;
        if (best == items_.end()) break;
        const WorkId id = best->first;
        now_ = std::max(now_, best->second.due);
        if (now_ > lastRun_ + 1e-9) ++wakeUps_;
        lastRun_ = now_;
        std::function<void()> work = best->second.work;
        if (best->second.interval > 0)
            best->second.due += best->second.interval;
        else
            items_.erase(best);
        work();
        (void)id;
    }
    now_ = end;
}

}  // namespace kp
