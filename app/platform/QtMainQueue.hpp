#pragma once

#include <QObject>

#include "core/common/MainQueue.hpp"

namespace kindora {

// The main queue of the desktop application: posted work runs on the Qt event loop of the thread
// that created this object (the GUI thread), in the order it was posted. Work posted after the queue
// is destroyed is dropped with its context object. Delayed work waits on a precise timer of that
// thread.
class QtMainQueue final : public MainQueue {
public:
    QtMainQueue();

    void post(std::function<void()> work) override;
    void postAfter(double seconds, std::function<void()> work) override;

private:
    QObject context_;
};

}  // namespace kindora
