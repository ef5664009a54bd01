#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

#include "core/common/MainQueue.hpp"

namespace kindora::testing {

// A main queue the test drives by hand: posted work runs only when the test drains it, on the test's
// own thread, which thereby plays the main thread.
class ManualMainQueue final : public MainQueue {
public:
    void post(std::function<void()> work) override;

    // Runs queued work (including work queued meanwhile) until the queue is empty; returns how much ran.
    std::size_t drain();
    // Runs the oldest queued item, if any.
    bool runOne();
    std::size_t size() const;

    // Blocks (real time, bounded) until something is queued, then drains. False on time-out.
    bool waitAndDrain(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Drains repeatedly until `condition` holds (checked after each drain). False on time-out.
    bool drainUntil(const std::function<bool()>& condition,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10));

private:
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace kindora::testing
