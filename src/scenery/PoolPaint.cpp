#include "scenery/PoolPaint.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

namespace kp::scenery {

void paintInPool(const std::function<void()>& work) {
    QThreadPool* pool = QThreadPool::globalInstance();
    if (pool->contains(QThread::currentThread())) {
        work();
        return;
    }
    QSemaphore done;
    if (!pool->tryStart([&] {
            work();
            done.release();
        })) {
        work();
        return;
    }
    done.acquire();
}

}  // namespace kp::scenery
