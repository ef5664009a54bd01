#include "tests/support/VirtualTime.hpp"

#include <algorithm>
#include <cmath>

#include "core/common/InterruptibleWait.hpp"

namespace kindora::testing {

VirtualTime::VirtualTime(Date start) : now_(start) {}

Date VirtualTime::now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

SyncClock VirtualTime::clock() {
    return SyncClock([this] { return now(); });
}

std::function<Date()> VirtualTime::nowFunction() {
    return [this] { return now(); };
}

Sleeper VirtualTime::sleeper() {
    return Sleeper([this](double seconds, StopToken stop) { return sleep(seconds, std::move(stop)); });
}

bool VirtualTime::sleep(double seconds, StopToken stop) {
    std::unique_lock lock(mutex_);
    ++sleepCount_;
    requested_.push_back(seconds);
    Waiter waiter{now_ + Seconds(std::max(seconds, 0.0))};
    if (waiter.deadline <= now_) {
        changed_.notify_all();
        return !stop.stop_requested();
    }
    waiters_.push_back(&waiter);
    changed_.notify_all();
    const bool woken = interruptibleWait(changed_, lock, stop, [&waiter] { return waiter.woken; });
    if (!woken) {
        waiters_.remove(&waiter);
        changed_.notify_all();
        return false;
    }
    return true;
}

void VirtualTime::wakeDue() {
    for (auto it = waiters_.begin(); it != waiters_.end();) {
        if ((*it)->deadline <= now_) {
            (*it)->woken = true;
            it = waiters_.erase(it);
        } else {
            ++it;
        }
    }
    changed_.notify_all();
}

void VirtualTime::advance(double seconds) {
    std::lock_guard lock(mutex_);
    now_ = now_ + Seconds(seconds);
    wakeDue();
}

bool VirtualTime::advanceToNextDeadline() {
    std::lock_guard lock(mutex_);
    if (waiters_.empty()) {
        return false;
    }
    const auto earliest =
        std::min_element(waiters_.begin(), waiters_.end(),
                         [](const Waiter* a, const Waiter* b) { return a->deadline < b->deadline; });
    now_ = std::max(now_, (*earliest)->deadline);
    wakeDue();
    return true;
}

std::size_t VirtualTime::sleeperCount() const {
    std::lock_guard lock(mutex_);
    return waiters_.size();
}

std::size_t VirtualTime::sleepCount() const {
    std::lock_guard lock(mutex_);
    return sleepCount_;
}

std::vector<double> VirtualTime::requestedSleeps() const {
    std::lock_guard lock(mutex_);
    return requested_;
}

std::vector<double> VirtualTime::pendingDelays() const {
    std::lock_guard lock(mutex_);
    std::vector<double> delays;
    for (const Waiter* waiter : waiters_) {
        delays.push_back(secondsBetween(now_, waiter->deadline));
    }
    std::sort(delays.begin(), delays.end());
    return delays;
}

bool VirtualTime::waitForSleepers(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return waiters_.size() >= count; });
}

bool VirtualTime::waitForPendingDelay(double seconds, std::size_t count,
                                      std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        const auto waiting = std::count_if(waiters_.begin(), waiters_.end(), [&](const Waiter* waiter) {
            return std::abs(secondsBetween(now_, waiter->deadline) - seconds) < 1e-6;
        });
        return static_cast<std::size_t>(waiting) >= count;
    });
}

bool VirtualTime::waitForNoSleepers(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return waiters_.empty(); });
}

bool VirtualTime::waitForSleepCount(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return sleepCount_ >= count; });
}

}  // namespace kindora::testing
