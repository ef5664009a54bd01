#include "tools/headless/HeadlessAgent.hpp"

#include <utility>

#include "core/common/JsonDate.hpp"
#include "core/common/Sleeper.hpp"
#include "core/common/SyncClock.hpp"
#include "core/lifecycle/FDAChecker.hpp"

namespace kindora {
namespace {

const char* const heartbeatFailingText = "Heartbeat failing — check your connection";

}  // namespace

HeadlessAgent::HeadlessAgent(Options options, CredentialStoreProtocol& credentialStore, Defaults& defaults,
                             MainQueue& mainQueue)
    : options_(std::move(options)),
      credentialStore_(credentialStore),
      mainQueue_(mainQueue),
      appState_(Phase::signedOut()),
      backendClient_(options_.baseURL, transport_),
      watermarkStore_(options_.dataDirectory),
      revocationHandler_(std::make_shared<RevocationHandler>(credentialStore_)),
      reader_(options_.databasePath.string()),
      pairingController_(PairingController::Dependencies{appState_, credentialStore_, watermarkStore_,
                                                         backendClient_, mainQueue_},
                         options_.deviceName, options_.agentVersion, Sleeper::live(),
                         SyncClock::live().nowFunction(),
                         [path = options_.databasePath] { return FDAChecker::hasFullDiskAccess(path); }),
      syncEngine_(reader_, backendClient_, credentialStore_, watermarkStore_, revocationHandler_,
                  Sleeper::live(), SyncClock::live(), options_.agentVersion),
      heartbeatScheduler_(backendClient_, credentialStore_, watermarkStore_, *revocationHandler_,
                          commandHandler_, Sleeper::live(), SyncClock::live(), options_.agentVersion),
      interruptPoller_(backendClient_, credentialStore_, *revocationHandler_, Sleeper::live()),
      dndStore_(defaults),
      dndController_(dndStore_, mainQueue_, Sleeper::live(), SyncClock::live().nowFunction()),
      interruptController_(backendClient_, credentialStore_, *revocationHandler_, mainQueue_, &dndController_,
                           [this] { interruptPoller_.tickNow(); }),
      meetingPoller_(backendClient_, credentialStore_, *revocationHandler_, Sleeper::live()),
      meetingPreferencesStore_(defaults),
      meetingLedgerStore_(options_.dataDirectory, FileMeetingLedgerStore::presentationFileName),
      meetingLedger_(meetingLedgerStore_, SyncClock::live().nowFunction()),
      meetingDisruptController_(meetingPreferencesStore_, meetingLedger_, Sleeper::live(),
                                SyncClock::live().nowFunction(), mainQueue_),
      autoJoinPreferencesStore_(defaults),
      autoJoinLedgerStore_(options_.dataDirectory, FileMeetingLedgerStore::autoJoinFileName),
      autoJoinLedger_(autoJoinLedgerStore_, SyncClock::live().nowFunction()),
      // The in-a-call guess needs the audio and process probes of the desktop application; without
      // them the headless agent assumes the user is not in a call.
      autoJoinController_(autoJoinPreferencesStore_, autoJoinLedger_, Sleeper::live(),
                          SyncClock::live().nowFunction(), MeetingPresenceProbe([] { return false; }),
                          options_.opener, mainQueue_),
      changeWatcher_(options_.databasePath) {
    dndController_.setOnStateChange(
        [this] { meetingDisruptController_.setDNDActive(dndController_.isActive()); });
    meetingDisruptController_.setDNDActive(dndController_.isActive());
    autoJoinController_.setOnDidJoin([this](const Meeting& meeting) {
        meetingDisruptController_.markJoined(meeting.id, meeting.startsAt);
    });
    pairingController_.setOnPairingCompleted([this] { syncEngine_.invalidateWatermarkCache(); });
}

HeadlessAgent::~HeadlessAgent() {
    *alive_ = false;
    shutDown();
}

void HeadlessAgent::launch() {
    wireLoopCallbacks();
    observeForConsole();
    subscriptions_.push_back(appState_.observePhase([this](const Phase& phase) { applyLoops(phase); }));
    refreshPhase();
}

void HeadlessAgent::shutDown() {
    if (watchingDatabase_) {
        changeWatcher_.stop();
        watchingDatabase_ = false;
    }
    syncEngine_.stop();
    heartbeatScheduler_.stop();
    interruptPoller_.stop();
    meetingPoller_.stop();
}

void HeadlessAgent::wireLoopCallbacks() {
    // Every callback leaves its loop's thread at once: observable state lives on the main thread.
    auto onMain = [this](std::function<void()> work) {
        mainQueue_.post([alive = std::weak_ptr<bool>(alive_), work = std::move(work)] {
            if (auto live = alive.lock(); live && *live) {
                work();
            }
        });
    };
    syncEngine_.setStatusHandler([this, onMain](const SyncStatus& status) {
        onMain([this, status] {
            syncStatusStore_.update(status);
            refreshHealth();
        });
    });
    syncEngine_.setRevokedHandler([this, onMain] {
        onMain([this] {
            syncStatusStore_.signalRevoked();
            appState_.setPhase(Phase::signedOut());
        });
    });
    syncEngine_.setBackendContactHandler([this] { heartbeatScheduler_.noteBackendContact(); });
    heartbeatScheduler_.setStatusHandler([this, onMain](const HeartbeatStatus& status) {
        onMain([this, status] {
            heartbeatStatusStore_.update(status);
            refreshHealth();
        });
    });
    interruptPoller_.setInterruptsHandler([this, onMain](const InterruptsResponse& response) {
        onMain([this, response] { interruptController_.handlePoll(response); });
    });
    meetingPoller_.setMeetingsHandler([this, onMain](const MeetingsResponse& response) {
        onMain([this, response] {
            meetingDisruptController_.handleMeetings(response);
            autoJoinController_.handleMeetings(response);
        });
    });
}

void HeadlessAgent::observeForConsole() {
    subscriptions_.push_back(appState_.observePhase([this](const Phase& phase) {
        log_.info("phase: {}", describe(phase));
        if (phase.isPairing()) {
            log_.info("enter the pairing code {} in the household's web app (it expires {})", phase.code(),
                      JsonDate::encode(phase.expiresAt()));
        }
    }));
    subscriptions_.push_back(syncStatusStore_.observeStatus([this](const SyncStatus& status) {
        log_.info("sync: {} sent this session, {} in all, {} waiting{}", status.sessionSentCount,
                  status.lifetimeSentCount, status.queueLagRowCount,
                  status.lastError ? ", last error: " + *status.lastError : std::string());
    }));
    subscriptions_.push_back(
        pairingController_.observeLastError([this](const std::optional<std::string>& error) {
            if (error) {
                log_.error("pairing failed: {}", *error);
            }
        }));
    subscriptions_.push_back(interruptController_.observe([this] {
        for (const Interrupt& interrupt : interruptController_.presentedGroup()) {
            log_.info("alert on screen: {} ({})", interrupt.title, interrupt.source);
        }
    }));
    subscriptions_.push_back(
        meetingDisruptController_.observePresentedMeetings([this](const std::vector<Meeting>& meetings) {
            for (const Meeting& meeting : meetings) {
                log_.info("meeting takeover: {} at {}", meeting.title, JsonDate::encode(meeting.startsAt));
            }
        }));
}

void HeadlessAgent::refreshPhase() {
    const bool hasCredentials = credentialStore_.hasDeviceToken();
    const bool fdaOK = FDAChecker::hasFullDiskAccess(options_.databasePath);
    appState_.recomputePhase(hasCredentials, fdaOK);
    applyLoops(appState_.phase());
    // Without a window to press "Pair" in, a signed-out agent asks for a code by itself.
    if (appState_.phase().kind() == Phase::Kind::signedOut && !pairingController_.isInProgress()) {
        pairingController_.startPairing();
    }
}

void HeadlessAgent::applyLoops(const Phase& phase) {
    if (phase.isRunning()) {
        syncEngine_.start();
        startWatchingDatabase();
        heartbeatScheduler_.start();
        interruptPoller_.start();
        meetingPoller_.start();
    } else {
        shutDown();
    }
}

void HeadlessAgent::startWatchingDatabase() {
    if (watchingDatabase_) {
        return;
    }
    watchingDatabase_ = true;
    changeWatcher_.start([this] {
        mainQueue_.post([alive = std::weak_ptr<bool>(alive_), this] {
            if (auto live = alive.lock(); live && *live) {
                databaseChanged();
            }
        });
    });
}

void HeadlessAgent::databaseChanged() {
    // A change is a reason to look now, not to retry early: while the last tick failed, the sync
    // loop keeps its back-off, so an outage of the backend is not met with a request per message.
    if (appState_.phase().isRunning() && !syncStatusStore_.status().lastError) {
        syncEngine_.tickNow();
    }
}

void HeadlessAgent::refreshHealth() {
    if (!appState_.phase().isRunning()) {
        return;
    }
    if (const auto& error = syncStatusStore_.status().lastError) {
        appState_.setPhase(Phase::running(Health::degraded(*error)));
    } else if (heartbeatStatusStore_.status().isDegraded) {
        appState_.setPhase(Phase::running(Health::degraded(heartbeatFailingText)));
    } else {
        appState_.setPhase(Phase::running(Health::healthy()));
    }
}

}  // namespace kindora
