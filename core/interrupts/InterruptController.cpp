#include "core/interrupts/InterruptController.hpp"

#include <algorithm>
#include <exception>
#include <string_view>
#include <utility>

#include "core/backend/AgentTexts.hpp"
#include "core/backend/BackendError.hpp"
#include "core/backend/UserMessage.hpp"

namespace kindora {
namespace {

// The interrupt's group: its group key, or its own id, so that an interrupt without a key stands alone.
std::string groupKeyOf(const Interrupt& interrupt) {
    return interrupt.groupKey.value_or(interrupt.id.text());
}

// The backend's own refusal text when it sent a usable one, else the agent's sentence for the case.
UserText refusalText(const std::optional<std::string>& backendMessage, const Phrase& fallback) {
    if (backendMessage && backendMessage->find_first_not_of(" \t\r\n") != std::string::npos) {
        return UserText::verbatim(*backendMessage);
    }
    return fallback;
}

}  // namespace

// What one backend call of an action came to, worked out on the background thread.
struct InterruptController::ActionOutcome {
    enum class Kind { done, refused, revoked, failed };
    Kind kind = Kind::done;
    std::optional<UserText> message;  // shown to the user (refused, failed)
    std::string description;          // for the log (failed)

    static ActionOutcome of(Action action, InterruptBackendClientProtocol& client, const std::string& token,
                            const Uuid& id, StopToken stop) {
        try {
            if (action == Action::acknowledge) {
                client.ackAlert(token, id, std::move(stop));
            } else {
                client.resolveAlert(token, id, std::move(stop));
            }
            return {};
        } catch (const BackendError& error) {
            switch (error.kind()) {
                case BackendError::Kind::notFound:
                    return {};  // already gone: as good as done
                case BackendError::Kind::requiresResolution:
                    return {
                        Kind::refused, refusalText(error.message(), AgentTexts::acknowledgementRefused), {}};
                case BackendError::Kind::forbidden:
                    return {Kind::refused, refusalText(error.message(), AgentTexts::forbidden), {}};
                case BackendError::Kind::revoked:
                    return {Kind::revoked, {}, {}};
                default:
                    return {Kind::failed, userMessage(error), error.what()};
            }
        } catch (const std::exception& error) {
            return {Kind::failed, userMessage(error), error.what()};
        }
    }
};

InterruptController::InterruptController(InterruptBackendClientProtocol& client,
                                         CredentialStoreProtocol& credentialStore,
                                         RevocationHandler& revocationHandler, MainQueue& mainQueue,
                                         DoNotDisturbController* dndController,
                                         std::function<void()> pollNowHandler)
    : suppressed_(dndController != nullptr && dndController->isActive()),
      client_(client),
      credentialStore_(credentialStore),
      revocationHandler_(revocationHandler),
      mainQueue_(mainQueue),
      dndController_(dndController),
      pollNowHandler_(std::move(pollNowHandler)) {
    recompute();
    if (dndController_ != nullptr) {
        dndSubscription_ = dndController_->observeStateChange([this] { doNotDisturbChanged(); });
    }
}

InterruptController::~InterruptController() = default;

void InterruptController::handlePoll(const InterruptsResponse& response) {
    currentInterrupts_ = response.interrupts;
    truncated_.set(response.truncated);
    recompute();
}

void InterruptController::acknowledge(const Interrupt& interrupt) {
    perform(Action::acknowledge, interrupt);
}

void InterruptController::resolve(const Interrupt& interrupt) {
    perform(Action::resolve, interrupt);
}

void InterruptController::dismiss(const Interrupt& interrupt) {
    const auto presented = presentedInterrupt();
    if (presented && presented->id == interrupt.id) {
        for (const auto& member : presentedGroup()) {
            dismissedIDs_.insert(member.id);
        }
    } else {
        dismissedIDs_.insert(interrupt.id);
    }
    recompute();
}

std::optional<Interrupt> InterruptController::presentedInterrupt() const {
    if (presentedGroup().empty()) {
        return std::nullopt;
    }
    return presentedGroup().front();
}

bool InterruptController::isActionInFlight() const {
    return !presentedGroup().empty() && inFlightID() == presentedGroup().front().id;
}

std::optional<UserText> InterruptController::actionError() const {
    const auto& error = scopedError_.value();
    if (!error || presentedGroup().empty() || error->id != presentedGroup().front().id) {
        return std::nullopt;
    }
    return error->message;
}

Subscription InterruptController::observe(std::function<void()> onChange) {
    auto subscriptions = std::make_shared<std::vector<Subscription>>();
    const auto tell = [onChange = std::move(onChange)](const auto&) { onChange(); };
    subscriptions->push_back(presentedGroup_.observe(tell));
    subscriptions->push_back(moreCount_.observe(tell));
    subscriptions->push_back(truncated_.observe(tell));
    subscriptions->push_back(inFlightID_.observe(tell));
    subscriptions->push_back(scopedError_.observe(tell));
    subscriptions->push_back(suppressed_.observe(tell));
    return Subscription([subscriptions] { subscriptions->clear(); });
}

void InterruptController::perform(Action action, const Interrupt& interrupt) {
    if (inFlightID()) {
        return;
    }
    const auto token = credentialStore_.loadDeviceToken();
    if (!token) {
        return;
    }
    const auto presented = presentedInterrupt();
    if (!presented || presented->id != interrupt.id) {
        return;
    }
    inFlightID_.set(interrupt.id);
    if (scopedError_.value() && scopedError_.value()->id == interrupt.id) {
        scopedError_.set(std::nullopt);
    }
    firstError_.reset();

    std::vector<Uuid> members;
    for (const auto& member : presentedGroup()) {
        members.push_back(member.id);
    }
    // The previous action has posted its last outcome; its thread may still be ending.
    retiredActions_.retire(std::move(actionTask_));
    actionTask_ = std::make_unique<BackgroundTask>(
        mainQueue_, [this, action, token = *token, members](const BackgroundTask::Context& context) {
            for (const auto& id : members) {
                const auto outcome = ActionOutcome::of(action, client_, token, id, context.stopToken());
                if (context.isCancelled()) {
                    return;
                }
                context.post([this, id, outcome] { applyOutcome(id, outcome); });
                if (outcome.kind == ActionOutcome::Kind::revoked) {
                    // The remaining members are not tried: the token is no longer valid.
                    revocationHandler_.handleRevoked();
                    return;
                }
            }
            context.post([this] { finishAction(); });
        });
}

void InterruptController::applyOutcome(const Uuid& id, const ActionOutcome& outcome) {
    switch (outcome.kind) {
        case ActionOutcome::Kind::done:
            std::erase_if(currentInterrupts_,
                          [&id](const Interrupt& interrupt) { return interrupt.id == id; });
            // Kept hidden, so that a poll answered before the backend caught up does not bring it back.
            dismissedIDs_.insert(id);
            break;
        case ActionOutcome::Kind::refused:
            if (!firstError_) {
                firstError_ = ScopedError{id, *outcome.message};
            }
            break;
        case ActionOutcome::Kind::failed:
            if (!firstError_) {
                firstError_ = ScopedError{id, *outcome.message};
            }
            logger_.error("interrupt action failed: {}", outcome.description);
            break;
        case ActionOutcome::Kind::revoked:
            firstError_.reset();
            inFlightID_.set(std::nullopt);
            recompute();
            break;
    }
}

void InterruptController::finishAction() {
    inFlightID_.set(std::nullopt);
    recompute();
    if (firstError_) {
        scopedError_.set(std::exchange(firstError_, std::nullopt));
    }
    // The backend's list has changed; fetch it now rather than at the next regular poll.
    if (pollNowHandler_) {
        pollNowHandler_();
    }
}

void InterruptController::doNotDisturbChanged() {
    if (dndController_ == nullptr) {
        return;
    }
    const bool wasSuppressed = suppressed();
    suppressed_.set(dndController_->isActive());
    recompute();
    if (wasSuppressed && !suppressed() && pollNowHandler_) {
        pollNowHandler_();
    }
}

void InterruptController::recompute() {
    std::vector<const Interrupt*> visible;
    for (const auto& interrupt : currentInterrupts_) {
        if (!dismissedIDs_.contains(interrupt.id)) {
            visible.push_back(&interrupt);
        }
    }
    std::unordered_set<std::string> groupKeys;
    for (const auto* interrupt : visible) {
        groupKeys.insert(groupKeyOf(*interrupt));
    }
    const int groupCount = static_cast<int>(groupKeys.size());
    if (!suppressed() && !visible.empty()) {
        const auto headKey = groupKeyOf(*visible.front());
        std::vector<Interrupt> group;
        for (const auto* interrupt : visible) {
            if (groupKeyOf(*interrupt) == headKey) {
                group.push_back(*interrupt);
            }
        }
        presentedGroup_.set(std::move(group));
        moreCount_.set(std::max(groupCount - 1, 0));
    } else {
        presentedGroup_.set({});
        moreCount_.set(suppressed() ? groupCount : 0);
    }
}

}  // namespace kindora
