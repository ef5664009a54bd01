#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/backend/BackendClient.hpp"
#include "core/backend/CurlTransport.hpp"
#include "core/common/InMemoryDefaults.hpp"
#include "core/common/MainQueue.hpp"
#include "core/common/Observable.hpp"
#include "core/interrupts/DoNotDisturbController.hpp"
#include "core/interrupts/InterruptController.hpp"
#include "core/interrupts/InterruptPoller.hpp"
#include "core/interrupts/UserDefaultsDoNotDisturbStore.hpp"
#include "core/lifecycle/AppState.hpp"
#include "core/lifecycle/CredentialStoreProtocol.hpp"
#include "core/lifecycle/HeartbeatScheduler.hpp"
#include "core/lifecycle/HeartbeatStatusStore.hpp"
#include "core/lifecycle/LoggingCommandHandler.hpp"
#include "core/lifecycle/PairingController.hpp"
#include "core/lifecycle/RevocationHandler.hpp"
#include "core/meetings/AutoJoinController.hpp"
#include "core/meetings/FileMeetingLedgerStore.hpp"
#include "core/meetings/MeetingDisruptController.hpp"
#include "core/meetings/MeetingPoller.hpp"
#include "core/meetings/MeetingPresentationLedger.hpp"
#include "core/meetings/UserDefaultsMeetingPreferencesStore.hpp"
#include "core/messagesdb/ChatDBReader.hpp"
#include "core/messagesdb/InotifyChatDBChangeWatcher.hpp"
#include "core/sync/FileWatermarkStore.hpp"
#include "core/sync/SyncEngine.hpp"
#include "core/sync/SyncStatusStore.hpp"

namespace kindora {

// The whole agent without a user interface: the same components, wiring and phase rules as the
// desktop application, with the console as its only view. Pairing starts by itself when the device
// is signed out (the code is logged for the household's web app), alerts and meeting takeovers are
// logged instead of shown, and a join link due for auto-join is handed to `opener`.
//
// Everything here lives on the main thread of `mainQueue`; loop callbacks are posted there.
class HeadlessAgent {
public:
    struct Options {
        // The backend origin; the agent passes BackendEnvironment's build-time origin.
        std::string baseURL;
        std::filesystem::path databasePath;
        std::filesystem::path dataDirectory;
        std::string deviceName;
        std::optional<std::string> agentVersion;
        std::function<void(const std::string& url)> opener;
    };

    HeadlessAgent(Options options, CredentialStoreProtocol& credentialStore, Defaults& defaults,
                  MainQueue& mainQueue);

    const Options& options() const { return options_; }
    HeadlessAgent(const HeadlessAgent&) = delete;
    HeadlessAgent& operator=(const HeadlessAgent&) = delete;
    ~HeadlessAgent();

    // Wires the loop callbacks and derives the phase; the loops run while it is `running`.
    void launch();
    // Stops the loops (waiting for nothing); called before the agent is destroyed.
    void shutDown();

    const AppState& appState() const { return appState_; }
    const SyncStatusStore& syncStatusStore() const { return syncStatusStore_; }

private:
    void wireLoopCallbacks();
    void observeForConsole();
    void refreshPhase();
    void applyLoops(const Phase& phase);
    void refreshHealth();
    void startWatchingDatabase();
    void databaseChanged();

    const Options options_;
    CredentialStoreProtocol& credentialStore_;
    MainQueue& mainQueue_;
    const Log log_{"AppDelegate"};

    AppState appState_;
    SyncStatusStore syncStatusStore_;
    HeartbeatStatusStore heartbeatStatusStore_;
    CurlTransport transport_;
    BackendClient backendClient_;
    FileWatermarkStore watermarkStore_;
    std::shared_ptr<RevocationHandler> revocationHandler_;
    ChatDBReader reader_;
    LoggingCommandHandler commandHandler_;
    PairingController pairingController_;
    SyncEngine syncEngine_;
    HeartbeatScheduler heartbeatScheduler_;
    InterruptPoller interruptPoller_;
    UserDefaultsDoNotDisturbStore dndStore_;
    DoNotDisturbController dndController_;
    InterruptController interruptController_;
    MeetingPoller meetingPoller_;
    UserDefaultsMeetingPreferencesStore meetingPreferencesStore_;
    FileMeetingLedgerStore meetingLedgerStore_;
    MeetingPresentationLedger meetingLedger_;
    MeetingDisruptController meetingDisruptController_;
    UserDefaultsMeetingPreferencesStore autoJoinPreferencesStore_;
    FileMeetingLedgerStore autoJoinLedgerStore_;
    MeetingPresentationLedger autoJoinLedger_;
    AutoJoinController autoJoinController_;
    // Wakes the sync loop shortly after Messages writes, instead of at its next 5-second tick.
    InotifyChatDBChangeWatcher changeWatcher_;
    bool watchingDatabase_ = false;

    std::vector<Subscription> subscriptions_;
    // Callbacks posted from loop threads check this before touching anything.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kindora
