#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <list>
#include <mutex>
#include <vector>

#include "core/common/Date.hpp"
#include "core/common/Sleeper.hpp"
#include "core/common/SyncClock.hpp"

namespace kindora::testing {

// A virtual timeline shared by a clock and a sleeper. Nothing waits in real time: a thread sleeping
// on the virtual sleeper wakes when the test advances the timeline past its deadline, or at once when
// its stop token is requested.
//
// Tests synchronise with the sleeping threads through waitForSleepers()/waitForSleepCount(), which
// block (in real time, bounded) until the expected number of waits has begun.
class VirtualTime {
public:
    explicit VirtualTime(Date start = Date(std::chrono::seconds(1'800'000'000)));
    VirtualTime(const VirtualTime&) = delete;
    VirtualTime& operator=(const VirtualTime&) = delete;

    Date now() const;
    SyncClock clock();
    std::function<Date()> nowFunction();
    Sleeper sleeper();

    // Moves the timeline forward and wakes every sleeper whose deadline is reached.
    void advance(double seconds);
    // Moves the timeline to the earliest pending deadline (if any) and wakes that sleeper.
    bool advanceToNextDeadline();

    // How many threads are waiting right now, and how many waits have begun in all.
    std::size_t sleeperCount() const;
    std::size_t sleepCount() const;
    // The durations asked for, in order, by every wait so far.
    std::vector<double> requestedSleeps() const;
    // The deadlines of the waits pending now, earliest first, in seconds from now.
    std::vector<double> pendingDelays() const;

    // Block until at least `count` threads are waiting / `count` waits have begun. False on time-out
    // (a test failure, not a timing device).
    bool waitForSleepers(std::size_t count,
                         std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    bool waitForSleepCount(std::size_t count,
                           std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // Block until at least `count` threads wait exactly `seconds` from now (a loop parked after its
    // tick, not still ticking). False on time-out.
    bool waitForPendingDelay(double seconds, std::size_t count,
                             std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // Block until no thread is waiting (every loop has stopped). False on time-out.
    bool waitForNoSleepers(std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

private:
    struct Waiter {
        Date deadline;
        bool woken = false;
    };

    bool sleep(double seconds, StopToken stop);
    void wakeDue();

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    Date now_;
    std::list<Waiter*> waiters_;
    std::size_t sleepCount_ = 0;
    std::vector<double> requested_;
};

}  // namespace kindora::testing
