#include "core/common/StoppableThread.hpp"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <utility>

namespace kindora {

StoppableThread::~StoppableThread() {
    stop();
}

bool StoppableThread::start(std::function<void(int stopEvent)> body) {
    const std::lock_guard lock(mutex_);
    if (thread_.joinable()) {
        return true;
    }
    stopEvent_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopEvent_ < 0) {
        return false;
    }
    thread_ = std::thread([body = std::move(body), stopEvent = stopEvent_] { body(stopEvent); });
    return true;
}

bool StoppableThread::isRunning() {
    const std::lock_guard lock(mutex_);
    return thread_.joinable();
}

void StoppableThread::stop() {
    std::thread thread;
    int stopEvent = -1;
    {
        const std::lock_guard lock(mutex_);
        thread = std::move(thread_);
        stopEvent = std::exchange(stopEvent_, -1);
    }
    if (stopEvent < 0) {
        return;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(stopEvent, &one, sizeof one);
    if (thread.joinable()) {
        thread.join();
    }
    ::close(stopEvent);
}

}  // namespace kindora
