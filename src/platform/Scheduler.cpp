#include "Scheduler.h"

#include <QTimer>
#include <algorithm>
#include <cmath>
#include <limits>

namespace kp {

QtScheduler::QtScheduler() = default;

QtScheduler::~QtScheduler() {
    for (auto& [id, timer] : timers_) delete timer;
}

QtScheduler& QtScheduler::shared() {
    static QtScheduler scheduler;
    return scheduler;
}

WorkId QtScheduler::start(double seconds, bool repeat, std::function<void()> work) {
    const WorkId id = next_++;
    auto* timer = new QTimer;
    timer->setSingleShot(!repeat);
    timer->setTimerType(seconds < 0.1 ? Qt::PreciseTimer : Qt::CoarseTimer);
    // QTimer counts in int milliseconds: a longer wait (24 days and more) is cut to the longest it can take.
    const double ms = std::round(seconds * 1000.0);
    timer->setInterval(ms > 0 ? int(std::min(ms, double(std::numeric_limits<int>::max()))) : 0);
    QObject::connect(timer, &QTimer::timeout, [this, id, repeat, work = std::move(work)] {
        if (!repeat) {
            auto it = timers_.find(id);
            if (it != timers_.end()) {
                it->second->deleteLater();
                timers_.erase(it);
            }
        }
        work();
    });
    timers_[id] = timer;
    timer->start();
    return id;
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
    it->second->stop();
    it->second->deleteLater();
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
