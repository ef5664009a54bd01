#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/backend/BackendError.hpp"
#include "core/backend/HeartbeatBackendClientProtocol.hpp"
#include "core/common/InterruptibleWait.hpp"

namespace kindora::testing {

// A heartbeat backend that answers from a script (then "ok" with no commands), for the scheduler's
// unit tests. A `Hang` answer blocks until the caller's stop token is requested, then fails as a
// cancelled transfer does.
class ScriptedHeartbeatClient final : public HeartbeatBackendClientProtocol {
public:
    struct Hang {};
    using Answer = std::variant<HeartbeatResponse, BackendError, Hang>;

    void script(std::vector<Answer> answers) {
        std::lock_guard lock(mutex_);
        answers_.insert(answers_.end(), answers.begin(), answers.end());
    }

    HeartbeatResponse heartbeat(const std::string&, std::optional<std::int64_t>,
                                const std::optional<std::string>&, StopToken stop) override {
        std::unique_lock lock(mutex_);
        ++calls_;
        changed_.notify_all();
        Answer answer = HeartbeatResponse{"ok", {}};
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        }
        if (const auto* error = std::get_if<BackendError>(&answer)) {
            throw *error;
        }
        if (std::holds_alternative<Hang>(answer)) {
            std::condition_variable wakeUp;
            interruptibleWait(wakeUp, lock, stop, [] { return false; });
            throw BackendError::network("cancelled");
        }
        return std::get<HeartbeatResponse>(answer);
    }

    std::size_t callCount() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    bool waitForCalls(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return calls_ >= count; });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Answer> answers_;
    std::size_t calls_ = 0;
};

}  // namespace kindora::testing
