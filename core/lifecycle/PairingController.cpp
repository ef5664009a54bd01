#include "core/lifecycle/PairingController.hpp"

#include <algorithm>
#include <exception>
#include <utility>

#include "core/backend/BackendError.hpp"
#include "core/backend/UserMessage.hpp"
#include "core/common/Backoff.hpp"

namespace kindora {

PairingController::PairingController(Dependencies dependencies, std::string deviceName,
                                     std::optional<std::string> agentVersion, Sleeper sleeper,
                                     std::function<Date()> now, std::function<bool()> fdaCheck,
                                     std::function<void()> onPairingCompleted,
                                     std::function<double()> jitterFactor)
    : appState_(dependencies.appState),
      credentialStore_(dependencies.credentialStore),
      watermarkStore_(dependencies.watermarkStore),
      client_(dependencies.client),
      mainQueue_(dependencies.mainQueue),
      deviceName_(std::move(deviceName)),
      agentVersion_(std::move(agentVersion)),
      sleeper_(std::move(sleeper)),
      now_(std::move(now)),
      fdaCheck_(std::move(fdaCheck)),
      jitterFactor_(std::move(jitterFactor)),
      onPairingCompleted_(std::move(onPairingCompleted)) {}

PairingController::~PairingController() = default;

Subscription PairingController::observeLastError(Observable<std::optional<UserText>>::Observer observer) {
    return lastError_.observe(std::move(observer));
}

Subscription PairingController::observeInProgress(Observable<bool>::Observer observer) {
    return inProgress_.observe(std::move(observer));
}

void PairingController::setOnPairingCompleted(std::function<void()> onPairingCompleted) {
    onPairingCompleted_ = std::move(onPairingCompleted);
}

void PairingController::startPairing() {
    lastError_.set(std::nullopt);
    // The old flow is cancelled, not waited for: its request and its sleep give up at once, but a
    // keyring write in progress (which may show a prompt) does not. Its continuations are dropped.
    retiredFlows_.retire(std::move(pollTask_));
    inProgress_.set(true);
    pollTask_ =
        std::make_unique<BackgroundTask>(mainQueue_, [this](const auto& context) { runFlow(context); });
}

void PairingController::cancel() {
    retiredFlows_.retire(std::move(pollTask_));
    inProgress_.set(false);
    lastError_.set(std::nullopt);
    appState_.setPhase(Phase::signedOut());
}

void PairingController::runFlow(const BackgroundTask::Context& context) {
    const auto& stop = context.stopToken();
    const auto finish = [&context, this] { context.post([this] { inProgress_.set(false); }); };

    PairingCreateResponse pairing;
    try {
        pairing = client_.createPairing(deviceName_, agentVersion_, stop);
    } catch (const std::exception& error) {
        if (!context.isCancelled()) {
            context.post([this, message = userMessage(error)] { lastError_.set(message); });
            finish();
        }
        return;
    }
    if (context.isCancelled()) {
        return;
    }
    context.post([this, code = pairing.code, expiresAt = pairing.expiresAt] {
        appState_.setPhase(Phase::pairing(code, expiresAt));
    });

    const double pollInterval =
        std::max(static_cast<double>(pairing.pollIntervalSeconds), minimumPollInterval);
    Backoff backoff(initialBackoff, maximumBackoff, jitterFactor_);
    while (!context.isCancelled()) {
        if (now_() >= pairing.expiresAt) {
            context.post([this] { endWithError(expiredMessage); });
            finish();
            return;
        }
        PairingStatusValue status{};
        try {
            status = client_.pairingStatus(pairing.deviceToken, stop).status;
        } catch (const std::exception&) {
            if (context.isCancelled()) {
                return;
            }
            // A failed poll leaves the code on screen and retries, backing off; the cancellation and
            // expiry checks come first again.
            sleeper_.sleep(backoff.nextDelay(), stop);
            continue;
        }
        switch (status) {
            case PairingStatusValue::pending:
                sleeper_.sleep(pollInterval, stop);
                backoff.reset();
                break;
            case PairingStatusValue::active: {
                if (context.isCancelled()) {
                    return;
                }
                const Stored stored = store(pairing);
                context.post([this, stored] { complete(stored); });
                finish();
                return;
            }
            case PairingStatusValue::expired:
                context.post([this] { endWithError(expiredMessage); });
                finish();
                return;
            case PairingStatusValue::revoked:
                context.post([this] { endWithError(revokedMessage); });
                finish();
                return;
        }
    }
}

void PairingController::endWithError(const UserText& message) {
    lastError_.set(message);
    appState_.setPhase(Phase::signedOut());
}

PairingController::Stored PairingController::store(const PairingCreateResponse& pairing) {
    Stored stored;
    try {
        credentialStore_.saveDeviceToken(pairing.deviceToken);
    } catch (const std::exception& error) {
        stored.saveError = UserText(saveFailedMessage, {UserText::verbatim(error.what())});
        return stored;
    }
    // Re-pairing the same device record keeps the sync position: nothing is forwarded twice and
    // nothing is skipped. A different (or first) device record starts afresh.
    const auto previousDeviceId = credentialStore_.loadDeviceId();
    if (previousDeviceId != pairing.deviceId) {
        try {
            watermarkStore_.reset();
        } catch (const std::exception& error) {
            logger_.error("failed to reset sync watermark for new pairing: {}", error.what());
        }
    }
    try {
        credentialStore_.saveDeviceId(pairing.deviceId);
    } catch (const std::exception& error) {
        logger_.error("failed to save device id after pairing: {}", error.what());
    }
    stored.hasDeviceToken = credentialStore_.hasDeviceToken();
    stored.hasFullDiskAccess = fdaCheck_ && fdaCheck_();
    return stored;
}

void PairingController::complete(const Stored& stored) {
    if (stored.saveError) {
        endWithError(*stored.saveError);
        return;
    }
    appState_.recomputePhase(stored.hasDeviceToken, stored.hasFullDiskAccess);
    if (onPairingCompleted_) {
        onPairingCompleted_();
    }
}

}  // namespace kindora
