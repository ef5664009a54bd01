#include "core/agent/Agent.hpp"

#include <utility>

#include "core/agent/CrashLogging.hpp"
#include "core/agent/MenuBarImage.hpp"
#include "core/lifecycle/LaunchAtLoginFirstRun.hpp"

namespace kindora {

Agent::Agent(PlatformServices services)
    : services_(std::move(services)),
      lock_(AgentLock::acquire(services_.dataDirectory, services_.programName, services_.waitForPreviousAgent)),
      appState_(Phase::signedOut()),
      backendClient_(services_.backendBaseURL, services_.transport),
      watermarkStore_(services_.dataDirectory),
      revocationHandler_(std::make_shared<RevocationHandler>(services_.credentialStore)),
      reader_(services_.databasePath.string()),
      pairingController_(
          PairingController::Dependencies{appState_, services_.credentialStore, watermarkStore_,
                                          backendClient_, services_.mainQueue},
          services_.hostName, services_.agentVersion, services_.sleeper, services_.clock.nowFunction(),
          [this] {
              return services_.hasFullDiskAccess && services_.hasFullDiskAccess(services_.databasePath);
          }),
      syncEngine_(reader_, backendClient_, services_.credentialStore, watermarkStore_, revocationHandler_,
                  services_.sleeper, services_.clock, services_.agentVersion),
      heartbeatScheduler_(backendClient_, services_.credentialStore, watermarkStore_, *revocationHandler_,
                          commandHandler_, services_.sleeper, services_.clock, services_.agentVersion),
      interruptPoller_(backendClient_, services_.credentialStore, *revocationHandler_, services_.sleeper),
      dndStore_(services_.defaults),
      dndController_(dndStore_, services_.mainQueue, services_.clock.nowFunction()),
      interruptController_(backendClient_, services_.credentialStore, *revocationHandler_,
                           services_.mainQueue, &dndController_, [this] { interruptPoller_.tickNow(); }),
      meetingPoller_(backendClient_, services_.credentialStore, *revocationHandler_, services_.sleeper),
      meetingPreferencesStore_(services_.defaults),
      meetingLedgerStore_(services_.dataDirectory, FileMeetingLedgerStore::presentationFileName),
      meetingLedgerWriter_(meetingLedgerStore_),
      meetingLedger_(meetingLedgerWriter_, services_.clock.nowFunction()),
      meetingDisruptController_(meetingPreferencesStore_, meetingLedger_, services_.clock.nowFunction(),
                                services_.mainQueue),
      autoJoinPreferencesStore_(services_.defaults),
      autoJoinLedgerStore_(services_.dataDirectory, FileMeetingLedgerStore::autoJoinFileName),
      autoJoinLedgerWriter_(autoJoinLedgerStore_),
      autoJoinLedger_(autoJoinLedgerWriter_, services_.clock.nowFunction()),
      autoJoinController_(
          autoJoinPreferencesStore_, autoJoinLedger_, services_.clock.nowFunction(),
          MeetingPresenceProbe(services_.isLikelyInMeeting),
          [this](const std::string& url) {
              if (services_.openURL) {
                  services_.openURL(url);
              }
          },
          services_.mainQueue),
      accessGrantWatch_(wizardController_, services_.mainQueue,
                        [this] {
                            return services_.hasFullDiskAccess &&
                                   services_.hasFullDiskAccess(services_.databasePath);
                        }),
      alertTakeoverLink_(std::in_place, interruptController_, meetingDisruptController_),
      menuBarImage_(MenuBarImage::of(appState_.phase(), dndController_.isActive())),
      factsCheck_(services_.mainQueue, services_.credentialStore, [this] {
          return services_.hasFullDiskAccess && services_.hasFullDiskAccess(services_.databasePath);
      }) {
    // Do-not-disturb holds the takeovers back: the meeting controller hears of every change, and of
    // the state it starts in.
    dndController_.setOnStateChange([this] {
        meetingDisruptController_.setDNDActive(dndController_.isActive());
        updateMenuBarImage();
    });
    meetingDisruptController_.setDNDActive(dndController_.isActive());
    autoJoinController_.setOnDidJoin([this](const Meeting& meeting) {
        meetingDisruptController_.markJoined(meeting.id, meeting.startsAt);
    });
    wizardController_.setOnCompleted(
        [this] { services_.defaults.setBool(SetupWizardController::didCompleteKey, true); });
    pairingController_.setOnPairingCompleted([this] { pairingCompleted(); });
    if (services_.packageUpdates) {
        updater_ = std::make_unique<Updater>(*services_.packageUpdates, services_.mainQueue, services_.sleeper,
                                             services_.clock.nowFunction());
    }
    observeForViews();
}

Agent::~Agent() {
    shutDown();
    posts_.close();
}

// --- What the front end calls -------------------------------------------------------------------

void Agent::finishLaunching() {
    if (launched_) {
        return;
    }
    launched_ = true;
    CrashLogging::install();
    if (services_.loginItemService) {
        LaunchAtLoginFirstRun::registerOnFirstRun(services_.defaults, *services_.loginItemService);
    }
    wireLoopCallbacks();
    if (services_.credentialAccess) {
        // Called on the store's threads; the main queue outlives the agent, the agent may not.
        services_.credentialAccess->observeAccess(
            [post = posts_.poster(), this] { post([this] { credentialAccessChanged(); }); });
        credentialAccess_.set(services_.credentialAccess->access());
    }
    if (updater_) {
        updater_->start();
    }
    if (!listeningForWake_) {
        listeningForWake_ = true;
        services_.wakeSource.start([this] { onMain([this] { handleWake(); }); });
    }
    if (services_.sessionLockSource && !listeningForLock_) {
        listeningForLock_ = true;
        services_.sessionLockSource->start([this](bool locked) { onMain([this, locked] { sessionLocked_.set(locked); }); });
    }
    refreshPhase();
}

void Agent::becameActive() {
    refreshPhase();
}

void Agent::handleWake() {
    // A period that ended while the computer slept ends now, not at a timer set before the sleep.
    dndController_.recomputeAfterWake();
    if (services_.credentialAccess) {
        services_.credentialAccess->readAgainIfWaiting();  // the keyring may have come up meanwhile
    }
    refreshPhase([this] {
        // Every wait began before the sleep: each loop looks at once instead of finishing it.
        syncEngine_.tickNow();
        heartbeatScheduler_.tickNow();
        interruptPoller_.tickNow();
        meetingPoller_.tickNow();
    });
}

void Agent::finishPendingSaves() {
    meetingLedgerWriter_.flush();
    autoJoinLedgerWriter_.flush();
}

void Agent::unlockKeyring() {
    if (!services_.credentialAccess || unlockTask_ ||
        services_.credentialAccess->access() != CredentialAccess::locked) {
        return;
    }
    unlockTask_ = std::make_unique<BackgroundTask>(
        services_.mainQueue, [this](const BackgroundTask::Context& context) {
            services_.credentialAccess->requestUnlock(context.stopToken());
            context.post([this] { retiredUnlocks_.retire(std::move(unlockTask_)); });
        });
}

void Agent::syncNow() {
    syncEngine_.tickNow();
}

void Agent::openSetup() {
    factsCheck_.run([this](const SetupFacts& facts) {
        wizardController_.open(facts.hasFullDiskAccess, facts.hasCredentials);
    });
}

void Agent::setMeetingPreferences(const MeetingPreferences& preferences) {
    meetingDisruptController_.setPreferences(preferences);
}

void Agent::shutDown() {
    // Everything that runs on a thread of its own stops first, and is waited for, before any
    // collaborator it could reach is destroyed: the hints (change watcher, wake source), the loops,
    // and the background checks. Every loop is asked to stop before the first is joined, so that
    // they wind down together.
    if (watchingDatabase_) {
        services_.changeWatcher.stop();
        watchingDatabase_ = false;
    }
    if (listeningForWake_) {
        services_.wakeSource.stop();
        listeningForWake_ = false;
    }
    if (listeningForLock_) {
        services_.sessionLockSource->stop();
        listeningForLock_ = false;
    }
    stopLoops();
    if (updater_) {
        updater_->stop();
    }
    syncEngine_.join();
    heartbeatScheduler_.join();
    interruptPoller_.join();
    meetingPoller_.join();
    if (updater_) {
        updater_->join();
    }
    if (services_.credentialAccess) {
        services_.credentialAccess->observeAccess({});
    }
    unlockTask_.reset();  // dismisses a prompt still up
    accessGrantWatch_.stop();
    factsCheck_.cancelAll();
    refreshInFlight_ = false;
    refreshAgain_ = false;
    afterNextRefresh_.clear();
}

Subscription Agent::observeMenuBarImage(std::function<void(std::string_view)> observer) {
    return menuBarImage_.observe(
        [observer = std::move(observer)](const std::string_view& image) { observer(image); });
}

Subscription Agent::observePhaseRefreshed(std::function<void(const SetupFacts&)> observer) {
    return refreshes_.observe(
        [this, observer = std::move(observer)](unsigned long) { observer(lastFacts_); });
}

// --- Wiring -------------------------------------------------------------------------------------

void Agent::wireLoopCallbacks() {
    // Every callback leaves its loop's thread at once: observable state lives on the main thread.
    syncEngine_.setStatusHandler([this](const SyncStatus& status) {
        onMain([this, status] { syncStatusStore_.update(status); });  // its observer refreshes the health
    });
    // Installed on the shared revocation handler: it fires whichever loop or controller was told.
    syncEngine_.setRevokedHandler([this] {
        onMain([this] {
            syncStatusStore_.signalRevoked();
            appState_.setPhase(Phase::signedOut());
        });
    });
    // Called on the sync loop's thread; the heartbeat scheduler takes it from any thread.
    syncEngine_.setBackendContactHandler([this] { heartbeatScheduler_.noteBackendContact(); });
    heartbeatScheduler_.setStatusHandler([this](const HeartbeatStatus& status) {
        onMain([this, status] { heartbeatStatusStore_.update(status); });
    });
    interruptPoller_.setInterruptsHandler([this](const InterruptsResponse& response) {
        onMain([this, response] { interruptController_.handlePoll(response); });
    });
    meetingPoller_.setMeetingsHandler([this](const MeetingsResponse& response) {
        onMain([this, response] {
            meetingDisruptController_.handleMeetings(response);
            autoJoinController_.handleMeetings(response);
        });
    });
}

void Agent::observeForViews() {
    subscriptions_.push_back(appState_.observePhase([this](const Phase& phase) {
        applyLoops(phase);
        updateMenuBarImage();
    }));
    subscriptions_.push_back(syncStatusStore_.observeStatus([this](const SyncStatus&) { refreshHealth(); }));
    subscriptions_.push_back(
        heartbeatStatusStore_.observe([this](const HeartbeatStatus&) { refreshHealth(); }));
    subscriptions_.push_back(syncStatusStore_.observeRevokedSignal(
        [this](std::int64_t) { appState_.setPhase(Phase::signedOut()); }));
    subscriptions_.push_back(meetingDisruptController_.observePreferences(
        [this](const MeetingPreferences&) { autoJoinController_.preferencesChanged(); }));
}

void Agent::onMain(std::function<void()> work) {
    posts_.post(std::move(work));
}

// --- Phase, loops, health -----------------------------------------------------------------------

void Agent::refreshPhase(std::function<void()> then) {
    if (then) {
        afterNextRefresh_.push_back(std::move(then));
    }
    if (refreshInFlight_) {
        refreshAgain_ = true;
        return;
    }
    refreshInFlight_ = true;
    factsCheck_.run([this, waiting = std::exchange(afterNextRefresh_, {})](const SetupFacts& facts) {
        refreshInFlight_ = false;
        phaseFactsArrived(facts);
        for (const auto& work : waiting) {
            work();
        }
        if (std::exchange(refreshAgain_, false)) {
            refreshPhase();
        }
    });
}

void Agent::phaseFactsArrived(const SetupFacts& facts) {
    appState_.recomputePhase(facts.hasCredentials, facts.hasFullDiskAccess);
    refreshHealth();
    applyLoops(appState_.phase());
    presentSetupWizardIfNeeded(facts.hasFullDiskAccess, facts.hasCredentials);
    lastFacts_ = facts;
    refreshes_.set(refreshes_.value() + 1);
}

void Agent::applyLoops(const Phase& phase) {
    if (phase.isRunning()) {
        startLoops();
    } else {
        stopLoops();
    }
}

void Agent::startLoops() {
    if (!launched_) {
        return;  // the callbacks are wired at launch; no loop runs without them
    }
    syncEngine_.start();
    heartbeatScheduler_.start();
    interruptPoller_.start();
    meetingPoller_.start();
    if (!watchingDatabase_) {
        watchingDatabase_ = true;
        services_.changeWatcher.start([this] { onMain([this] { databaseChanged(); }); });
    }
}

void Agent::stopLoops() {
    if (watchingDatabase_) {
        services_.changeWatcher.stop();
        watchingDatabase_ = false;
    }
    syncEngine_.stop();
    heartbeatScheduler_.stop();
    interruptPoller_.stop();
    meetingPoller_.stop();
}

void Agent::databaseChanged() {
    // A change is a reason to look now, not to retry early: while the last tick failed, the sync
    // loop keeps its back-off, so an outage of the backend is not met with a request per message.
    if (appState_.phase().isRunning() && !syncStatusStore_.status().lastError) {
        syncEngine_.tickNow();
    }
}

void Agent::presentSetupWizardIfNeeded(bool hasFullDiskAccess, bool hasCredentials) {
    if (wizardController_.step()) {
        wizardController_.recomputeStep(hasFullDiskAccess, hasCredentials);
        return;
    }
    if (services_.defaults.boolValue(SetupWizardController::didCompleteKey).value_or(false)) {
        return;
    }
    if (hasFullDiskAccess && hasCredentials) {
        // An installation that is set up already never sees the wizard.
        services_.defaults.setBool(SetupWizardController::didCompleteKey, true);
        return;
    }
    wizardController_.open(hasFullDiskAccess, hasCredentials);
}

void Agent::refreshHealth() {
    if (!appState_.phase().isRunning()) {
        return;
    }
    // Nothing can be sent until the keyring answers; that is the reason to show, whatever else failed.
    if (credentialAccess_.value() != CredentialAccess::ready) {
        appState_.setPhase(Phase::running(Health::degraded(CredentialAccessReporting::waitingText)));
        return;
    }
    // The sync error says more than the heartbeat's: it wins when both fail.
    if (const auto& error = syncStatusStore_.status().lastError) {
        appState_.setPhase(Phase::running(Health::degraded(*error)));
    } else if (heartbeatStatusStore_.status().isDegraded) {
        appState_.setPhase(Phase::running(Health::degraded(heartbeatFailingText)));
    } else {
        appState_.setPhase(Phase::running(Health::healthy()));
    }
}

void Agent::pairingCompleted() {
    // Pairing may have reset the watermark store; the engine's next tick reads it again.
    syncEngine_.invalidateWatermarkCache();
    if (!wizardController_.step()) {
        return;
    }
    factsCheck_.run([this](const SetupFacts& facts) {
        if (wizardController_.step()) {
            wizardController_.recomputeStep(facts.hasFullDiskAccess, facts.hasCredentials);
        }
    });
}

void Agent::credentialAccessChanged() {
    credentialAccess_.set(services_.credentialAccess->access());
    refreshHealth();
    // Derived again: a keyring that answered "no token" signs the agent out, one that gave the token
    // lets every loop send what waited, at once.
    refreshPhase([this] {
        if (appState_.phase().isRunning() && credentialAccess_.value() == CredentialAccess::ready) {
            syncEngine_.tickNow();
            heartbeatScheduler_.tickNow();
            interruptPoller_.tickNow();
            meetingPoller_.tickNow();
        }
    });
}

void Agent::updateMenuBarImage() {
    menuBarImage_.set(MenuBarImage::of(appState_.phase(), dndController_.isActive()));
}

}  // namespace kindora
