#pragma once

// Condition-variable waits that a stop request cuts short, for any condition variable and lock (the
// stop_token overloads of std::condition_variable_any are missing from some standard libraries).

#include <optional>
#include <thread>

#include "core/common/StopToken.hpp"

namespace kindora {

namespace detail {

// Wakes `condition`'s waiters when stop is requested. It takes the waiter's mutex before notifying, so
// the notification cannot slip in between the waiter's check of the stop token and its going to sleep.
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

// The StopWaker's registration for one wait. It is dropped with the mutex released: its callback may be
// running on the stopping thread, blocked on that mutex, and dropping it waits for the callback to return.
// The mutex is locked again before the waiter looks at anything.
template <typename Condition, typename Lock>
class StopWakerRegistration {
public:
    StopWakerRegistration(Condition& condition, Lock& lock, const StopToken& stop)
        : lock_(lock), callback_(std::in_place, stop, StopWaker<Condition, Lock>(condition, lock)) {}
    StopWakerRegistration(const StopWakerRegistration&) = delete;
    StopWakerRegistration& operator=(const StopWakerRegistration&) = delete;
    ~StopWakerRegistration() {
        lock_.unlock();
        callback_.reset();
        lock_.lock();
    }

private:
    Lock& lock_;
    std::optional<StopCallback<StopWaker<Condition, Lock>>> callback_;
};

}  // namespace detail

// Waits on `condition` (with `lock` held) until `predicate` holds or stop is requested. Returns
// predicate(), like std::condition_variable_any::wait with a stop token.
template <typename Condition, typename Lock, typename Predicate>
bool interruptibleWait(Condition& condition, Lock& lock, const StopToken& stop, Predicate predicate) {
    for (;;) {
        {
            const detail::StopWakerRegistration<Condition, Lock> waker(condition, lock, stop);
            while (!stop.stop_requested() && !predicate()) {
                condition.wait(lock);
            }
        }
        if (predicate()) {
            return true;
        }
        if (stop.stop_requested()) {
            return false;
        }
    }
}

// Like interruptibleWait, giving up at `deadline`.
template <typename Condition, typename Lock, typename TimePoint, typename Predicate>
bool interruptibleWaitUntil(Condition& condition, Lock& lock, const StopToken& stop,
                            const TimePoint& deadline, Predicate predicate) {
    for (;;) {
        bool timedOut = false;
        {
            const detail::StopWakerRegistration<Condition, Lock> waker(condition, lock, stop);
            while (!stop.stop_requested() && !predicate() && !timedOut) {
                timedOut = condition.wait_until(lock, deadline) == std::cv_status::timeout;
            }
        }
        if (predicate()) {
            return true;
        }
        if (stop.stop_requested() || timedOut) {
            return false;
        }
    }
}

}  // namespace kindora
