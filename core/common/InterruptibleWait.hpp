#pragma once

// Condition-variable waits that a stop request cuts short, for any condition variable and lock (the
// stop_token overloads of std::condition_variable_any are missing from some standard libraries).

#include <thread>

#include "core/common/StopToken.hpp"

namespace kindora {

namespace detail {

// Wakes `condition`'s waiters when stop is requested. The notification is sent holding the waiter's
// mutex, so it cannot slip in between the waiter's check of the stop token and its going to sleep.
template <typename Condition, typename Lock>
class StopWaker {
public:
    StopWaker(Condition& condition, Lock& lock) noexcept
        : condition_(condition), mutex_(*lock.mutex()), waiter_(std::this_thread::get_id()) {}

    void operator()() const noexcept {
        // Run by the waiter itself only from the StopCallback's constructor when stop was already
        // requested; it holds the mutex then, and checks the token before it waits anyway.
        if (std::this_thread::get_id() == waiter_) {
            return;
        }
        mutex_.lock();
        mutex_.unlock();
        condition_.notify_all();
    }

private:
    Condition& condition_;
    typename Lock::mutex_type& mutex_;
    std::thread::id waiter_;
};

}  // namespace detail

// Waits on `condition` (with `lock` held) until `predicate` holds or stop is requested. Returns
// predicate(), like std::condition_variable_any::wait with a stop token.
template <typename Condition, typename Lock, typename Predicate>
bool interruptibleWait(Condition& condition, Lock& lock, const StopToken& stop, Predicate predicate) {
    const StopCallback<detail::StopWaker<Condition, Lock>> waker(stop, detail::StopWaker(condition, lock));
    while (!stop.stop_requested()) {
        if (predicate()) {
            return true;
        }
        condition.wait(lock);
    }
    return predicate();
}

// Like interruptibleWait, giving up at `deadline`.
template <typename Condition, typename Lock, typename TimePoint, typename Predicate>
bool interruptibleWaitUntil(Condition& condition, Lock& lock, const StopToken& stop,
                            const TimePoint& deadline, Predicate predicate) {
    const StopCallback<detail::StopWaker<Condition, Lock>> waker(stop, detail::StopWaker(condition, lock));
    while (!stop.stop_requested()) {
        if (predicate()) {
            return true;
        }
        if (condition.wait_until(lock, deadline) == std::cv_status::timeout) {
            return predicate();
        }
    }
    return predicate();
}

}  // namespace kindora
