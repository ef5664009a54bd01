#include "core/common/RunLoopMainQueue.hpp"

#include <algorithm>
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

void RunLoopMainQueue::postAfter(double seconds, std::function<void()> work) {
    const auto delay = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(std::clamp(seconds, 0.0, 365.0 * 24 * 3600)));
    {
        std::lock_guard lock(mutex_);
        delayed_.emplace(std::pair(Clock::now() + delay, delayedCount_++), std::move(work));
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

void RunLoopMainQueue::promoteDue(Clock::time_point now) {
    while (!delayed_.empty() && delayed_.begin()->first.first <= now) {
        queue_.push_back(std::move(delayed_.begin()->second));
        delayed_.erase(delayed_.begin());
    }
}

void RunLoopMainQueue::run() {
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock lock(mutex_);
            for (;;) {
                promoteDue(Clock::now());
                if (!queue_.empty() || quitting_) {
                    break;
                }
                if (delayed_.empty()) {
                    posted_.wait(lock);
                } else {
                    posted_.wait_until(lock, delayed_.begin()->first.first);
                }
            }
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
