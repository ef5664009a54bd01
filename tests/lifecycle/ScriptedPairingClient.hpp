#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/backend/BackendError.hpp"
#include "core/backend/PairingBackendClientProtocol.hpp"
#include "core/common/InterruptibleWait.hpp"

namespace kindora::testing {

// A pairing backend that answers from a script, for the controller's unit tests. Each status poll
// takes the next scripted answer; a `Hang` answer blocks until the caller's stop token is requested
// and then gives its late answer, as a slow server would.
class ScriptedPairingClient final : public PairingBackendClientProtocol {
public:
    struct Hang {
        PairingStatusValue lateAnswer;
    };
    using Answer = std::variant<PairingStatusValue, BackendError, Hang>;

    std::vector<std::variant<PairingCreateResponse, BackendError>> createAnswers;
    std::deque<Answer> statusAnswers;

    PairingCreateResponse createPairing(const std::string&, const std::optional<std::string>&,
                                        StopToken) override {
        std::lock_guard lock(mutex_);
        const auto& answer = createAnswers.at(std::min(++createCount_, createAnswers.size()) - 1);
        if (const auto* error = std::get_if<BackendError>(&answer)) {
            throw *error;
        }
        return std::get<PairingCreateResponse>(answer);
    }

    PairingStatusResponse pairingStatus(const std::string& token, StopToken stop) override {
        std::unique_lock lock(mutex_);
        statusTokens_.push_back(token);
        if (statusAnswers.empty()) {
            throw BackendError::network("script exhausted");
        }
        const Answer answer = statusAnswers.front();
        statusAnswers.pop_front();
        if (const auto* error = std::get_if<BackendError>(&answer)) {
            throw *error;
        }
        if (const auto* hang = std::get_if<Hang>(&answer)) {
            hanging_ = true;
            changed_.notify_all();
            std::condition_variable wakeUp;
            interruptibleWait(wakeUp, lock, stop, [] { return false; });
            hanging_ = false;
            return PairingStatusResponse{hang->lateAnswer};
        }
        return PairingStatusResponse{std::get<PairingStatusValue>(answer)};
    }

    std::vector<std::string> statusTokens() const {
        std::lock_guard lock(mutex_);
        return statusTokens_;
    }
    // Blocks (bounded) until a poll hangs on a `Hang` answer.
    bool waitUntilHanging() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [this] { return hanging_; });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool hanging_ = false;
    std::size_t createCount_ = 0;
    std::vector<std::string> statusTokens_;
};

}  // namespace kindora::testing
