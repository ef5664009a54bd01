#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "core/common/Date.hpp"
#include "core/common/MainQueue.hpp"

namespace kindora::testing {

class VirtualTime;

// A main queue the test drives by hand: posted work runs only when the test drains it, on the test's
// own thread, which thereby plays the main thread. Work posted with a delay is due on the virtual
// timeline it is given (without one, only a delay of zero ever comes due): advance the time, then drain.
class ManualMainQueue final : public MainQueue {
public:
    ManualMainQueue() = default;
    explicit ManualMainQueue(const VirtualTime& time) : time_(&time) {}
    ManualMainQueue(const ManualMainQueue&) = delete;
    ManualMainQueue& operator=(const ManualMainQueue&) = delete;

    void post(std::function<void()> work) override;
    void postAfter(double seconds, std::function<void()> work) override;

    // Runs queued work (including work queued meanwhile) until the queue is empty; returns how much ran.
    std::size_t drain();
    // Runs the oldest queued item, if any.
    bool runOne();
    // Work ready to run now (delayed work counts once it is due).
    std::size_t size() const;
    // The delays, in seconds from now, of the delayed work not yet due, earliest first.
    std::vector<double> pendingDelays() const;
    // Every delay asked for so far, in order.
    std::vector<double> requestedDelays() const;

    // Blocks (real time, bounded) until something is queued, then drains. False on time-out.
    bool waitAndDrain(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Drains repeatedly until `condition` holds (checked after each drain). False on time-out.
    bool drainUntil(const std::function<bool()>& condition,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10));

private:
    Date now() const;
    // Moves delayed work that is due to the queue. Called with the mutex held.
    void promoteDue() const;

    const VirtualTime* time_ = nullptr;
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    mutable std::deque<std::function<void()>> queue_;
    // By deadline, then by order of posting.
    mutable std::map<std::pair<Date, std::uint64_t>, std::function<void()>> delayed_;
    std::uint64_t delayedCount_ = 0;
    std::vector<double> requested_;
};

}  // namespace kindora::testing
