#include "core/common/RunLoopMainQueue.hpp"

#include <exception>
#include <utility>

#include "core/common/Log.hpp"

namespace kindora {

void RunLoopMainQueue::post(std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(work));
    }
    posted_.notify_one();
}

void RunLoopMainQueue::quit() {
    {
        std::lock_guard lock(mutex_);
        quitting_ = true;
    }
    posted_.notify_one();
}

void RunLoopMainQueue::run() {
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock lock(mutex_);
            posted_.wait(lock, [&] { return quitting_ || !queue_.empty(); });
            if (queue_.empty()) {
                return;
            }
            work = std::move(queue_.front());
            queue_.pop_front();
        }
        // Nothing may cross back into the run loop as an exception: log and go on.
        try {
            work();
        } catch (const std::exception& error) {
            Log("MainQueue").fault("main-thread work threw: {}", error.what());
        }
    }
}

}  // namespace kindora
