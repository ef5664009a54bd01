#include "tests/support/ManualMainQueue.hpp"

#include <algorithm>
#include <utility>

#include "tests/support/VirtualTime.hpp"

namespace kindora::testing {

Date ManualMainQueue::now() const {
    return time_ != nullptr ? time_->now() : Date{};
}

void ManualMainQueue::postAfter(double seconds, std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        delayed_.emplace(std::pair(now() + Seconds(std::max(0.0, seconds)), delayedCount_++), std::move(work));
        requested_.push_back(seconds);
    }
    posted_.notify_all();
}

void ManualMainQueue::promoteDue() const {
    const Date current = now();
    while (!delayed_.empty() && delayed_.begin()->first.first <= current) {
        queue_.push_back(std::move(delayed_.begin()->second));
        delayed_.erase(delayed_.begin());
    }
}

std::vector<double> ManualMainQueue::requestedDelays() const {
    std::lock_guard lock(mutex_);
    return requested_;
}

std::vector<double> ManualMainQueue::pendingDelays() const {
    std::lock_guard lock(mutex_);
    promoteDue();
    std::vector<double> delays;
    const Date current = now();
    for (const auto& [key, work] : delayed_) {
        delays.push_back(secondsBetween(current, key.first));
    }
    return delays;
}

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
        promoteDue();
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
    promoteDue();
    return queue_.size();
}

bool ManualMainQueue::waitAndDrain(std::chrono::milliseconds timeout) {
    {
        std::unique_lock lock(mutex_);
        if (!posted_.wait_for(lock, timeout, [&] {
                promoteDue();
                return !queue_.empty();
            })) {
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
        if (!posted_.wait_until(lock, deadline, [&] {
                promoteDue();
                return !queue_.empty();
            })) {
            return condition();
        }
        lock.unlock();
        drain();
    }
    return true;
}

}  // namespace kindora::testing
