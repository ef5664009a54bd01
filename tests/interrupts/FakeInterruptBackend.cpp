#include "tests/interrupts/FakeInterruptBackend.hpp"

#include <chrono>

#include "core/common/InterruptibleWait.hpp"

namespace kindora::testing {

InterruptsResponse FakeInterruptBackend::interrupts(const std::string& token, StopToken stop) {
    std::unique_lock lock(mutex_);
    ++calls_;
    pollTokens_.push_back(token);
    changed_.notify_all();
    awaitRelease(lock, stop);
    PollResult result = pollResults_.empty() ? PollResult(InterruptsResponse{}) : pollResults_.front();
    if (pollResults_.size() > 1) {
        pollResults_.pop_front();
    }
    if (const auto* error = std::get_if<BackendError>(&result)) {
        throw *error;
    }
    return std::get<InterruptsResponse>(result);
}

AlertActionResponse FakeInterruptBackend::ackAlert(const std::string& token, const Uuid& id,
                                                   StopToken stop) {
    return act("ack", token, id, std::move(stop));
}

AlertActionResponse FakeInterruptBackend::resolveAlert(const std::string& token, const Uuid& id,
                                                       StopToken stop) {
    return act("resolve", token, id, std::move(stop));
}

AlertActionResponse FakeInterruptBackend::act(const char* action, const std::string& token, const Uuid& id,
                                              StopToken stop) {
    std::unique_lock lock(mutex_);
    ++calls_;
    actionCalls_.push_back({action, id, token});
    changed_.notify_all();
    awaitRelease(lock, stop);
    if (const auto found = actionErrors_.find(id); found != actionErrors_.end()) {
        throw found->second;
    }
    return {id, action == std::string("ack") ? "acknowledged" : "resolved"};
}

void FakeInterruptBackend::awaitRelease(std::unique_lock<std::mutex>& lock, StopToken stop) {
    if (!held_) {
        return;
    }
    const bool released = interruptibleWait(changed_, lock, stop, [this] { return !held_ || released_ > 0; });
    if (!released) {
        throw BackendError::network("cancelled");
    }
    if (held_) {
        --released_;
    }
}

void FakeInterruptBackend::queuePollResult(PollResult result) {
    std::lock_guard lock(mutex_);
    pollResults_.push_back(std::move(result));
}

void FakeInterruptBackend::setActionError(const Uuid& id, BackendError error) {
    std::lock_guard lock(mutex_);
    actionErrors_.insert_or_assign(id, std::move(error));
}

void FakeInterruptBackend::clearActionError(const Uuid& id) {
    std::lock_guard lock(mutex_);
    actionErrors_.erase(id);
}

void FakeInterruptBackend::hold() {
    std::lock_guard lock(mutex_);
    held_ = true;
}

void FakeInterruptBackend::releaseOne() {
    std::lock_guard lock(mutex_);
    ++released_;
    changed_.notify_all();
}

void FakeInterruptBackend::releaseAll() {
    std::lock_guard lock(mutex_);
    held_ = false;
    changed_.notify_all();
}

int FakeInterruptBackend::pollCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(pollTokens_.size());
}

std::vector<std::string> FakeInterruptBackend::pollTokens() const {
    std::lock_guard lock(mutex_);
    return pollTokens_;
}

std::vector<FakeInterruptBackend::ActionCall> FakeInterruptBackend::actionCalls() const {
    std::lock_guard lock(mutex_);
    return actionCalls_;
}

bool FakeInterruptBackend::waitForCalls(int count) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return calls_ >= count; });
}

}  // namespace kindora::testing
