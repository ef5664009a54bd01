#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "core/agent/Agent.hpp"
#include "core/agent/LogindWakeSource.hpp"
#include "core/backend/CurlTransport.hpp"
#include "core/common/Defaults.hpp"
#include "core/common/MainQueue.hpp"
#include "core/credentials/CredentialStoreProtocol.hpp"
#include "core/messagesdb/InotifyChatDBChangeWatcher.hpp"
#include "tools/headless/ConsoleReporter.hpp"

namespace kindora {

// The agent without a desktop: the Linux platform services, the shared Agent and the console as its
// only view. Pairing starts by itself whenever the derived phase is `signedOut` (the code is logged
// for the household's web app), alerts and meeting takeovers are logged instead of shown, and a join
// link due for auto-join is handed to `opener`. It registers no login item (a server starts it its
// own way) and assumes the user is not in a call (there is no microphone to ask).
//
// Everything here lives on the main thread of `mainQueue`.
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
        // The keyring's side of the credential store, where reads can wait for an unlock; absent for
        // credentials in memory.
        CredentialAccessReporting* credentialAccess = nullptr;
    };

    // Throws AgentAlreadyRunningError when another agent holds the data directory.
    HeadlessAgent(Options options, CredentialStoreProtocol& credentialStore, Defaults& defaults,
                  MainQueue& mainQueue);
    HeadlessAgent(const HeadlessAgent&) = delete;
    HeadlessAgent& operator=(const HeadlessAgent&) = delete;
    ~HeadlessAgent();

    // Derives the phase and runs the agent (see Agent::finishLaunching).
    void launch();
    // Stops and joins everything that runs on threads of its own; called before the agent goes.
    void shutDown();

    Agent& agent() { return agent_; }
    const AppState& appState() const { return agent_.appState(); }
    const SyncStatusStore& syncStatusStore() const { return agent_.syncStatusStore(); }

private:
    CurlTransport transport_;
    InotifyChatDBChangeWatcher changeWatcher_;
    LogindWakeSource wakeSource_;
    Agent agent_;
    ConsoleReporter console_;
    Subscription autoPairing_;
};

}  // namespace kindora
