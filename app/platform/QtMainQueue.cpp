#include "app/platform/QtMainQueue.hpp"

#include <QMetaObject>

namespace kindora {

QtMainQueue::QtMainQueue() = default;

void QtMainQueue::post(std::function<void()> work) {
    QMetaObject::invokeMethod(&context_, std::move(work), Qt::QueuedConnection);
}

}  // namespace kindora
