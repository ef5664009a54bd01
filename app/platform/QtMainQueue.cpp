#include "app/platform/QtMainQueue.hpp"

#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <limits>

namespace kindora {

QtMainQueue::QtMainQueue() = default;

void QtMainQueue::post(std::function<void()> work) {
    QMetaObject::invokeMethod(&context_, std::move(work), Qt::QueuedConnection);
}

void QtMainQueue::postAfter(double seconds, std::function<void()> work) {
    // A timer's interval is an int of milliseconds; a longer delay is cut to that (24 days), which no
    // deadline of the agent comes near. A precise timer: a coarse one may fire 5 % early.
    const auto milliseconds = std::chrono::milliseconds(static_cast<long long>(
        std::clamp(seconds * 1000.0, 0.0, static_cast<double>(std::numeric_limits<int>::max()))));
    if (QThread::currentThread() == context_.thread()) {
        QTimer::singleShot(milliseconds, Qt::PreciseTimer, &context_, std::move(work));
        return;
    }
    // A timer belongs to the thread that starts it: started from the GUI thread.
    QMetaObject::invokeMethod(
        &context_,
        [this, milliseconds, work = std::move(work)]() mutable {
            QTimer::singleShot(milliseconds, Qt::PreciseTimer, &context_, std::move(work));
        },
        Qt::QueuedConnection);
}

}  // namespace kindora
