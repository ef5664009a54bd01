#pragma once

#include <gtest/gtest.h>

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

// Drives the main-thread controllers through virtual time: runs what they post and waits until every
// pending boundary wait has begun, so that moving the timeline never races a wait that is about to start.
class BoundaryStepper {
public:
    // `expectedWaits` tells how many virtual waits should be pending once everything has settled;
    // nothing has settled while `busy` (work on a thread of its own, such as the in-a-call guess) holds.
    BoundaryStepper(VirtualTime& time, ManualMainQueue& queue, std::function<std::size_t()> expectedWaits,
                    std::function<bool()> busy = {})
        : time_(time), queue_(queue), expectedWaits_(std::move(expectedWaits)), busy_(std::move(busy)) {}

    // Runs posted work until the queue is empty and every expected wait is pending.
    void settle() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            queue_.drain();
            if (queue_.size() == 0 && !(busy_ && busy_()) && time_.sleeperCount() == expectedWaits_()) {
                return;
            }
            std::this_thread::yield();
        }
        ADD_FAILURE() << "the controllers did not settle: " << time_.sleeperCount() << " waits pending, "
                      << expectedWaits_() << " expected";
    }

    // Moves the timeline to `target`, letting every wait that falls due on the way fire in order.
    void stepTo(Date target) {
        for (;;) {
            settle();
            const auto pending = time_.pendingDelays();
            const double remaining = secondsBetween(time_.now(), target);
            if (pending.empty() || pending.front() > remaining) {
                if (remaining > 0) {
                    time_.advance(remaining);
                }
                settle();
                return;
            }
            time_.advance(pending.front());
        }
    }

private:
    VirtualTime& time_;
    ManualMainQueue& queue_;
    std::function<std::size_t()> expectedWaits_;
    std::function<bool()> busy_;
};

}  // namespace kindora::testing
