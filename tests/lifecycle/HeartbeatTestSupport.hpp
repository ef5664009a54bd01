#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "core/lifecycle/HeartbeatScheduler.hpp"
#include "tests/support/VirtualTime.hpp"

namespace kindora::testing {

// Keeps every status a scheduler reports (on its own thread) for the test thread to read.
// Declare it before the scheduler, so that it outlives the scheduler's thread.
class HeartbeatStatusRecorder {
public:
    HeartbeatScheduler::StatusHandler handler() {
        return [this](const HeartbeatStatus& status) {
            std::lock_guard lock(mutex_);
            reports_.push_back(status);
        };
    }

    std::vector<HeartbeatStatus> reported() const {
        std::lock_guard lock(mutex_);
        return reports_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<HeartbeatStatus> reports_;
};

// Starts the scheduler and waits for its first heartbeat to finish (it then waits 300 s).
inline void startAndSettle(HeartbeatScheduler& scheduler, VirtualTime& time) {
    scheduler.start();
    ASSERT_TRUE(time.waitForSleepers(1));
}

// Lets the 300-second wait run out and waits for the next heartbeat to finish.
inline void nextHeartbeat(VirtualTime& time) {
    const auto sleeps = time.sleepCount();
    time.advance(HeartbeatScheduler::interval);
    ASSERT_TRUE(time.waitForSleepCount(sleeps + 1));
    ASSERT_TRUE(time.waitForSleepers(1));
}

}  // namespace kindora::testing
