#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/agent/AgentLock.hpp"
#include "core/agent/AlertTakeoverLink.hpp"
#include "core/agent/PlatformServices.hpp"
#include "core/agent/SetupFacts.hpp"
#include "core/agent/SetupFactsCheck.hpp"
#include "core/backend/BackendClient.hpp"
#include "core/common/Log.hpp"
#include "core/common/Observable.hpp"
#include "core/common/PostScope.hpp"
#include "core/common/RetiredTasks.hpp"
#include "core/credentials/RevocationHandler.hpp"
#include "core/interrupts/DoNotDisturbController.hpp"
#include "core/interrupts/InterruptController.hpp"
#include "core/interrupts/InterruptPoller.hpp"
#include "core/interrupts/UserDefaultsDoNotDisturbStore.hpp"
#include "core/lifecycle/AccessGrantWatch.hpp"
#include "core/lifecycle/AppState.hpp"
#include "core/lifecycle/HeartbeatScheduler.hpp"
#include "core/lifecycle/HeartbeatStatusStore.hpp"
#include "core/lifecycle/LoggingCommandHandler.hpp"
#include "core/lifecycle/PairingController.hpp"
#include "core/lifecycle/SetupWizardController.hpp"
#include "core/meetings/AutoJoinController.hpp"
#include "core/meetings/FileMeetingLedgerStore.hpp"
#include "core/meetings/MeetingDisruptController.hpp"
#include "core/meetings/MeetingPoller.hpp"
#include "core/meetings/MeetingPresentationLedger.hpp"
#include "core/meetings/UserDefaultsMeetingPreferencesStore.hpp"
#include "core/meetings/WriteBehindMeetingLedgerStore.hpp"
#include "core/messagesdb/ChatDBReader.hpp"
#include "core/sync/FileWatermarkStore.hpp"
#include "core/sync/SyncEngine.hpp"
#include "core/sync/SyncStatusStore.hpp"
#include "core/update/Updater.hpp"

namespace kindora {

// The agent, composed once for every front end (the desktop application, kindora-headless, tests).
// It owns one instance of each store, controller and loop, connects their callbacks, and decides
// when the four loops (sync, heartbeat, interrupts, meetings) run: exactly while the phase is
// `running`.
//
// How a front end uses it:
//   1. Build the PlatformServices (its main queue, credential store, settings, login items, HTTP
//      transport, change watcher, wake source, paths and names) and construct the Agent on the main
//      thread. Nothing runs yet; the phase is `signedOut`.
//   2. Observe what it shows: appState(), the status stores, the controllers, observeMenuBarImage().
//      Views call the controllers' own operations (pair, acknowledge, enable do-not-disturb, ...).
//   3. Call finishLaunching() once its event loop runs; becameActive() when the user comes back to the
//      application (for instance from granting Full Disk Access); syncNow() and openSetup() from the
//      menu. Wake from sleep arrives through the WakeSource by itself.
//   4. Before its services go away, call shutDown() (the destructor does too): it stops and joins
//      every loop, the change watcher, the wake source and the background checks, so that nothing
//      runs on another thread while the collaborators are destroyed.
// Every member is called on the main thread, the one `services.mainQueue` runs.
//
// One agent per data directory, whatever the front end: the constructor takes the directory's lock
// (AgentLock) before anything opens the state there, and throws AgentAlreadyRunningError, naming the
// process that holds it, when another agent runs there.
class Agent {
public:
    static constexpr Phrase heartbeatFailingText =
        KINDORA_PHRASE("Health", "Heartbeat failing — check your connection");

    explicit Agent(PlatformServices services);
    Agent(const Agent&) = delete;
    Agent& operator=(const Agent&) = delete;
    ~Agent();

    // The platform finished launching: registers launch at login on the first run, wires the loop
    // callbacks, starts listening for wake, then derives the phase (off the main thread) and starts
    // the loops when it is `running`. Once per process; later calls do nothing.
    void finishLaunching();
    // The application became active: the phase is derived again (Full Disk Access may just have been
    // granted).
    void becameActive();
    // The computer woke from sleep: do-not-disturb re-checks its end, the phase is derived again and
    // every loop ticks at once. Called by the wake source; a front end may call it too.
    void handleWake();
    // The menu's "sync now": the sync loop ticks at once.
    void syncNow();
    // The menu's "open setup": opens the setup wizard at the step the facts call for.
    void openSetup();
    // Stops and joins every loop and every thread of the agent; idempotent. Observers stay subscribed.
    void shutDown();
    // Waits until the saves handed to threads of their own (the meeting ledgers) are on disk. Any
    // thread may call it: it is the last save before the process ends at once on a second SIGTERM.
    void finishPendingSaves();
    // The person pressed "Unlock Keyring…": asks the keyring once to unlock (its prompt may come up),
    // off the main thread. Does nothing while a request is under way or when nothing waits for it.
    void unlockKeyring();
    // Whether the credentials can be read (always `ready` without a keyring that can lock).
    const Observable<CredentialAccess>& credentialAccess() const { return credentialAccess_; }

    // The menu-bar image for the current phase and do-not-disturb (see MenuBarImage).
    std::string_view menuBarImage() const { return menuBarImage_.value(); }
    [[nodiscard]] Subscription observeMenuBarImage(std::function<void(std::string_view)> observer);
    // Called after each derivation of the phase (launch, activation, wake) with its facts.
    [[nodiscard]] Subscription observePhaseRefreshed(std::function<void(const SetupFacts&)> observer);

    const PlatformServices& services() const { return services_; }
    const AppState& appState() const { return appState_; }
    const SyncStatusStore& syncStatusStore() const { return syncStatusStore_; }
    const HeartbeatStatusStore& heartbeatStatusStore() const { return heartbeatStatusStore_; }
    PairingController& pairingController() { return pairingController_; }
    InterruptController& interruptController() { return interruptController_; }
    DoNotDisturbController& doNotDisturbController() { return dndController_; }
    MeetingDisruptController& meetingDisruptController() { return meetingDisruptController_; }
    AutoJoinController& autoJoinController() { return autoJoinController_; }
    SetupWizardController& setupWizardController() { return wizardController_; }
    // While the wizard shows its Full Disk Access step: whether access has been granted meanwhile.
    const Observable<bool>& accessGrantDetected() const { return accessGrantWatch_.grantDetected(); }
    // Checks for, downloads and installs updates; absent when the services name no update source.
    // Started by finishLaunching().
    Updater* updater() { return updater_.get(); }
    // The meeting preferences (lead time, takeover and auto-join switches) live in the meeting disrupt
    // controller, which saves them; auto-join reads the saved ones.
    const MeetingPreferences& meetingPreferences() const { return meetingDisruptController_.preferences(); }
    void setMeetingPreferences(const MeetingPreferences& preferences);
    // Whether the desktop session is locked now (from the services' SessionLockSource; false without
    // one). Whatever takes the screen stays off it while this is true.
    const Observable<bool>& sessionLocked() const { return sessionLocked_; }
    // Until this is called the agent itself tells the meeting disrupt controller whether an alert is
    // presented. A front end whose meeting panel does so (from what its alert panel shows) calls this
    // before it builds that panel, so that one owner drives the link.
    void releaseAlertTakeoverLink() { alertTakeoverLink_.reset(); }

private:
    void wireLoopCallbacks();
    void observeForViews();
    void refreshPhase(std::function<void()> then = {});
    void phaseFactsArrived(const SetupFacts& facts);
    void applyLoops(const Phase& phase);
    void startLoops();
    void stopLoops();
    void presentSetupWizardIfNeeded(bool hasFullDiskAccess, bool hasCredentials);
    void refreshHealth();
    void pairingCompleted();
    void databaseChanged();
    void updateMenuBarImage();
    void credentialAccessChanged();
    // Posts `work` to the main thread; it is dropped when the agent is gone by then.
    void onMain(std::function<void()> work);

    PlatformServices services_;
    const Log logger_{"AppDelegate"};
    // Taken before any member below opens a file of the data directory.
    AgentLock lock_;

    AppState appState_;
    SyncStatusStore syncStatusStore_;
    HeartbeatStatusStore heartbeatStatusStore_;
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
    // Ledger saves are written on threads of their own: their fsync never holds up the main thread.
    WriteBehindMeetingLedgerStore meetingLedgerWriter_;
    MeetingPresentationLedger meetingLedger_;
    MeetingDisruptController meetingDisruptController_;
    UserDefaultsMeetingPreferencesStore autoJoinPreferencesStore_;
    FileMeetingLedgerStore autoJoinLedgerStore_;
    WriteBehindMeetingLedgerStore autoJoinLedgerWriter_;
    MeetingPresentationLedger autoJoinLedger_;
    AutoJoinController autoJoinController_;
    SetupWizardController wizardController_;
    AccessGrantWatch accessGrantWatch_;
    std::unique_ptr<Updater> updater_;
    // An alert on screen holds every meeting takeover back, whatever shows the alert; absent once a
    // front end's meeting panel has taken the link over.
    std::optional<AlertTakeoverLink> alertTakeoverLink_;

    Observable<std::string_view> menuBarImage_;
    Observable<unsigned long> refreshes_{0};  // counts the derivations; lastFacts_ is the latest
    SetupFacts lastFacts_;
    std::vector<Subscription> subscriptions_;

    bool launched_ = false;
    bool watchingDatabase_ = false;
    bool listeningForWake_ = false;
    bool listeningForLock_ = false;
    Observable<bool> sessionLocked_{false};
    // One derivation of the phase at a time; a request meanwhile runs once more after it, and the
    // work waiting for "the next derivation" runs after the derivation that started after the request.
    bool refreshInFlight_ = false;
    bool refreshAgain_ = false;
    std::vector<std::function<void()>> afterNextRefresh_;
    SetupFactsCheck factsCheck_;
    Observable<CredentialAccess> credentialAccess_{CredentialAccess::ready};
    RetiredTasks retiredUnlocks_;
    std::unique_ptr<BackgroundTask> unlockTask_;
    // Work handed to the main thread from other threads; none of it runs once the agent is gone.
    PostScope posts_{services_.mainQueue};
};

}  // namespace kindora
