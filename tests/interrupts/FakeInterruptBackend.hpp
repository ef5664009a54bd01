#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/backend/BackendError.hpp"
#include "core/backend/InterruptBackendClientProtocol.hpp"

namespace kindora::testing {

// A scripted backend for the interrupt poller and controller, safe to call from their threads.
// Poll answers are taken from a queue (the last one repeats); action answers are set per alert.
// Calls can be held open to observe what happens while a request is in flight.
class FakeInterruptBackend final : public InterruptBackendClientProtocol {
public:
    using PollResult = std::variant<InterruptsResponse, BackendError>;

    struct ActionCall {
        std::string action;  // "ack" or "resolve"
        Uuid id;
        std::string token;
    };

    InterruptsResponse interrupts(const std::string& token, StopToken stop = {}) override;
    AlertActionResponse ackAlert(const std::string& token, const Uuid& id,
                                 StopToken stop = {}) override;
    AlertActionResponse resolveAlert(const std::string& token, const Uuid& id,
                                     StopToken stop = {}) override;

    void queuePollResult(PollResult result);
    // An action on `id` throws `error`; nothing set means success.
    void setActionError(const Uuid& id, BackendError error);
    void clearActionError(const Uuid& id);

    // While held, every call waits until released (or its stop token is requested, then it throws a
    // network error like the real client).
    void hold();
    void releaseOne();
    void releaseAll();

    int pollCount() const;
    std::vector<std::string> pollTokens() const;
    std::vector<ActionCall> actionCalls() const;
    // Blocks (real time, bounded) until `count` calls have started. False on time-out.
    bool waitForCalls(int count) const;

private:
    AlertActionResponse act(const char* action, const std::string& token, const Uuid& id,
                            StopToken stop);
    void awaitRelease(std::unique_lock<std::mutex>& lock, StopToken stop);

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::deque<PollResult> pollResults_;
    std::map<Uuid, BackendError> actionErrors_;
    bool held_ = false;
    int released_ = 0;
    int calls_ = 0;
    std::vector<std::string> pollTokens_;
    std::vector<ActionCall> actionCalls_;
};

}  // namespace kindora::testing
