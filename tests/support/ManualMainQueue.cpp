#include "tests/support/ManualMainQueue.hpp"

#include <utility>

namespace kindora::testing {

void ManualMainQueue::post(std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(work));
    }
    posted_.notify_all();
}

bool ManualMainQueue::runOne() {
    std::function<void()> work;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty()) {
            return false;
        }
        work = std::move(queue_.front());
        queue_.pop_front();
    }
    work();
    return true;
}

std::size_t ManualMainQueue::drain() {
    std::size_t ran = 0;
    while (runOne()) {
        ++ran;
    }
    return ran;
}

std::size_t ManualMainQueue::size() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

bool ManualMainQueue::waitAndDrain(std::chrono::milliseconds timeout) {
    {
        std::unique_lock lock(mutex_);
        if (!posted_.wait_for(lock, timeout, [&] { return !queue_.empty(); })) {
            return false;
        }
    }
    drain();
    return true;
}

bool ManualMainQueue::drainUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    drain();
    while (!condition()) {
        std::unique_lock lock(mutex_);
        if (!posted_.wait_until(lock, deadline, [&] { return !queue_.empty(); })) {
            return condition();
        }
        lock.unlock();
        drain();
    }
    return true;
}

}  // namespace kindora::testing
