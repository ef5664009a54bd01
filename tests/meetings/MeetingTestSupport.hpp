#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "core/backend/MeetingRecords.hpp"
#include "core/common/JsonDate.hpp"
#include "tests/support/ManualMainQueue.hpp"
#include "tests/support/VirtualTime.hpp"

namespace kindora::testing {

inline Date at(const char* isoDate) {
    return JsonDate::decode(isoDate);
}

inline Meeting meeting(std::string id, Date startsAt, MeetingProvider provider = MeetingProvider::zoom,
                       std::optional<std::string> joinUrl = std::nullopt) {
    Meeting result;
    result.title = "Meeting " + id;
    result.id = std::move(id);
    result.startsAt = startsAt;
    result.provider = provider;
    result.joinUrl =
        joinUrl ? std::move(joinUrl) : std::optional<std::string>("https://acme.zoom.us/j/" + result.id);
    return result;
}

// Drives the main-thread controllers through virtual time: runs what they post, and moves the timeline
// from one deadline to the next (those on the main queue and those of threads sleeping on the timeline),
// so that each fires in order. `sleepingThreads` tells how many threads (loops, background waits) should
// be waiting on the timeline once everything has settled, so that moving it never races a wait that is
// about to start. Nothing has settled while `busy` (work on a thread of its own, such as the in-a-call
// guess) holds.
class BoundaryStepper {
public:
    BoundaryStepper(VirtualTime& time, ManualMainQueue& queue, std::function<std::size_t()> sleepingThreads = {},
                    std::function<bool()> busy = {})
        : time_(time), queue_(queue), sleepingThreads_(std::move(sleepingThreads)), busy_(std::move(busy)) {}

    // Runs posted work until the queue is empty and every expected wait is pending.
    void settle() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            queue_.drain();
            if (queue_.size() == 0 && !(busy_ && busy_()) && time_.sleeperCount() == expectedSleepers()) {
                return;
            }
            std::this_thread::yield();
        }
        ADD_FAILURE() << "the controllers did not settle: " << time_.sleeperCount() << " waits pending, "
                      << expectedSleepers() << " expected";
    }

    // Moves the timeline to `target`, letting every deadline that falls due on the way fire in order.
    void stepTo(Date target) {
        for (;;) {
            settle();
            auto pending = time_.pendingDelays();
            const auto deadlines = queue_.pendingDelays();
            pending.insert(pending.end(), deadlines.begin(), deadlines.end());
            const double remaining = secondsBetween(time_.now(), target);
            const auto next = std::min_element(pending.begin(), pending.end());
            if (next == pending.end() || *next > remaining) {
                if (remaining > 0) {
                    time_.advance(remaining);
                }
                settle();
                return;
            }
            time_.advance(*next);
        }
    }

private:
    std::size_t expectedSleepers() const { return sleepingThreads_ ? sleepingThreads_() : 0; }

    VirtualTime& time_;
    ManualMainQueue& queue_;
    std::function<std::size_t()> sleepingThreads_;
    std::function<bool()> busy_;
};

}  // namespace kindora::testing
