#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "core/agent/SessionLockSource.hpp"
#include "core/agent/WakeSource.hpp"
#include "core/backend/HTTPTransport.hpp"
#include "core/common/Defaults.hpp"
#include "core/common/MainQueue.hpp"
#include "core/common/Sleeper.hpp"
#include "core/common/SyncClock.hpp"
#include "core/credentials/CredentialAccess.hpp"
#include "core/credentials/CredentialStoreProtocol.hpp"
#include "core/lifecycle/FDAChecker.hpp"
#include "core/lifecycle/LoginItemService.hpp"
#include "core/messagesdb/ChatDBChangeWatching.hpp"
#include "core/update/PackageUpdating.hpp"

namespace kindora {

// What a front end hands to the agent: the services of its platform and the facts of this
// installation. The objects behind the references belong to the front end and must outlive the Agent.
// Only the Full Disk Access check and the credential store are used off the main thread (besides the
// loops' own use of the store and the transport); everything else is called on the main thread.
struct PlatformServices {
    // The way onto the main thread; the front end's event loop drains it.
    MainQueue& mainQueue;
    // Device token and id (the Secret Service, the Keychain, or memory). Must be thread-safe.
    CredentialStoreProtocol& credentialStore;
    // User settings: do-not-disturb, meeting preferences, the first-run flags.
    Defaults& defaults;
    // Launch at login, registered once on the first run; absent where the front end offers none.
    LoginItemService* loginItemService;
    // Carries every backend request.
    HTTPTransport& transport;
    // Hints that the Messages database changed, so that the sync loop looks at once.
    ChatDBChangeWatching& changeWatcher;
    // Tells when the computer woke from sleep.
    WakeSource& wakeSource;

    // The backend origin (the front end passes BackendEnvironment's built-in one).
    std::string backendBaseURL;
    // Where the Messages database is, and where the agent keeps its files.
    std::filesystem::path databasePath;
    std::filesystem::path dataDirectory;
    // Shown to the household as the device's name.
    std::string hostName;
    std::optional<std::string> agentVersion;
    // The system's package manager, which updates the agent; absent where the front end offers no
    // updates, and then the agent has no updater.
    PackageUpdating* packageUpdates = nullptr;

    // Opens a URL (a meeting's join link, a settings page) in its default application.
    std::function<void(const std::string& url)> openURL;
    // Whether the user seems to be in a call already (holds back an automatic join only). Absent means
    // the platform cannot tell, and the answer is no.
    std::function<bool()> isLikelyInMeeting;
    // Whether the Messages database can be read. Blocks up to the database's busy time-out, so the
    // agent runs it on a background thread.
    std::function<bool(const std::filesystem::path& databasePath)> hasFullDiskAccess =
        FDAChecker::hasFullDiskAccess;

    // The program running the agent, recorded in the data directory's lock so that a second agent can
    // say which one runs ("kindora", "kindora-headless").
    std::string programName = "kindora";
    // A relaunch after an update: wait for the previous agent to end, however long it takes, instead
    // of refusing to start beside it.
    bool waitForPreviousAgent = false;
    // The credential store's access to the keyring, where reads can wait for an unlock or for the
    // keyring to start; absent for a store that always answers (memory).
    CredentialAccessReporting* credentialAccess = nullptr;

    // Time, replaced by a virtual timeline in tests.
    Sleeper sleeper = Sleeper::live();
    SyncClock clock = SyncClock::live();

    // Tells whether the desktop session is locked; absent where the front end shows nothing on screen
    // (the session then counts as unlocked).
    SessionLockSource* sessionLockSource = nullptr;
};

}  // namespace kindora
