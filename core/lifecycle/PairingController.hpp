#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/backend/PairingBackendClientProtocol.hpp"
#include "core/common/BackgroundTask.hpp"
#include "core/common/Backoff.hpp"
#include "core/common/Date.hpp"
#include "core/common/Log.hpp"
#include "core/common/MainQueue.hpp"
#include "core/common/Observable.hpp"
#include "core/common/RetiredTasks.hpp"
#include "core/common/Sleeper.hpp"
#include "core/common/UserText.hpp"
#include "core/credentials/CredentialStoreProtocol.hpp"
#include "core/lifecycle/AppState.hpp"
#include "core/sync/WatermarkStore.hpp"

namespace kindora {

// Pairs this computer with a household: asks the backend for a code, shows it through the phase,
// polls until the household confirms it (or it expires or is revoked), then stores the credentials
// and moves the agent on. Lives on the main thread; the backend calls and waits, the keyring writes,
// the watermark reset and the Full Disk Access check run on a background task (the keyring may take
// long, or show a prompt), and every change of observable state is posted back to the main thread. A
// cancelled or replaced flow changes nothing after the moment it was cancelled, except credentials
// that were being stored just then: the next derivation of the phase finds them.
class PairingController {
public:
    static constexpr double minimumPollInterval = 2.0;
    static constexpr double initialBackoff = 5.0;
    static constexpr double maximumBackoff = 60.0;
    static constexpr Phrase expiredMessage = KINDORA_PHRASE("Pairing", "Pairing code expired — try again.");
    static constexpr Phrase revokedMessage = KINDORA_PHRASE("Pairing", "This pairing was revoked.");
    static constexpr Phrase saveFailedMessage =
        KINDORA_PHRASE("Pairing", "Paired, but failed to save credentials locally: %1");

    struct Dependencies {
        AppState& appState;
        CredentialStoreProtocol& credentialStore;
        WatermarkStore& watermarkStore;
        PairingBackendClientProtocol& client;
        MainQueue& mainQueue;
    };

    // `fdaCheck` runs once on the flow's thread after a confirmed pairing; `jitterFactor` spreads the
    // retry waits after failed polls (empty: Jitter::factor, 0.85 to 1.15).
    PairingController(Dependencies dependencies, std::string deviceName,
                      std::optional<std::string> agentVersion, Sleeper sleeper, std::function<Date()> now,
                      std::function<bool()> fdaCheck, std::function<void()> onPairingCompleted = {},
                      std::function<double()> jitterFactor = {});
    PairingController(const PairingController&) = delete;
    PairingController& operator=(const PairingController&) = delete;
    ~PairingController();

    // Starts a new flow, replacing (and silencing) any running one.
    void startPairing();
    // Abandons the flow and signs out.
    void cancel();

    // The last failure's text, shown under the pairing button; cleared by startPairing() and cancel().
    const std::optional<UserText>& lastError() const { return lastError_.value(); }
    [[nodiscard]] Subscription observeLastError(Observable<std::optional<UserText>>::Observer observer);
    // True from startPairing() until the flow ends or is cancelled.
    bool isInProgress() const { return inProgress_.value(); }
    [[nodiscard]] Subscription observeInProgress(Observable<bool>::Observer observer);

    void setOnPairingCompleted(std::function<void()> onPairingCompleted);

private:
    // Runs on the background task: touches only the constant fields and the client, posts the rest.
    void runFlow(const BackgroundTask::Context& context);
    // What storing a confirmed pairing found: the save's failure, or the facts the phase follows.
    struct Stored {
        std::optional<UserText> saveError;
        bool hasDeviceToken = false;
        bool hasFullDiskAccess = false;
    };
    // On the flow's thread: saves the credentials, resetting the watermark for another device record.
    Stored store(const PairingCreateResponse& pairing);
    void complete(const Stored& stored);
    void endWithError(const UserText& message);

    AppState& appState_;
    CredentialStoreProtocol& credentialStore_;
    WatermarkStore& watermarkStore_;
    PairingBackendClientProtocol& client_;
    MainQueue& mainQueue_;
    const std::string deviceName_;
    const std::optional<std::string> agentVersion_;
    const Sleeper sleeper_;
    const std::function<Date()> now_;
    const std::function<bool()> fdaCheck_;
    const Backoff::JitterFactor jitterFactor_;  // empty: Jitter::factor
    std::function<void()> onPairingCompleted_;
    const Log logger_{"Onboarding"};

    Observable<std::optional<UserText>> lastError_;
    Observable<bool> inProgress_{false};
    RetiredTasks retiredFlows_;                 // cancelled flows still finishing a keyring write
    std::unique_ptr<BackgroundTask> pollTask_;  // last: its continuations use the fields above
};

}  // namespace kindora
