// kindora-headless: the agent without a desktop, for servers, the demo and end-to-end tests.
//   kindora-headless [--database PATH] [--memory-credentials]
// The backend origin is fixed at build time. Credentials live in the Secret Service unless
// --memory-credentials keeps them in memory (the device then pairs anew at every start).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "core/agent/TerminationSignals.hpp"
#include "core/backend/BackendEnvironment.hpp"
#include "core/common/AgentPaths.hpp"
#include "core/common/InMemoryDefaults.hpp"
#include "core/common/Log.hpp"
#include "core/common/RunLoopMainQueue.hpp"
#include "core/common/UrlParts.hpp"
#include "core/credentials/InMemoryCredentialStore.hpp"
#include "core/credentials/KeychainCredentialStore.hpp"
#include "core/credentials/SecretServiceItems.hpp"
#include "core/credentials/SecretServiceWatcher.hpp"
#include "tools/headless/HeadlessAgent.hpp"

namespace {

int usage() {
    std::cerr << "usage: kindora-headless [--database PATH] [--memory-credentials] | --version\n";
    return 2;
}

std::string hostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "kindora-headless";
    }
    return name;
}

// A development build may be pointed at a local kindora-devserver (the end-to-end tests do so); a
// release build always talks to the origin it was built with.
std::string backendOrigin(const kindora::Defaults& defaults) {
#if defined(KINDORA_ALLOWS_LOCAL_BACKEND)
    if (const char* local = std::getenv("KINDORA_DEVELOPMENT_BACKEND_ORIGIN")) {
        const std::string origin = local;
        if (origin.starts_with("http://127.0.0.1:") && kindora::BackendEnvironment::isValidOrigin(origin, true)) {
            return origin;
        }
        std::cerr << "kindora-headless: ignoring KINDORA_DEVELOPMENT_BACKEND_ORIGIN (only http://127.0.0.1:PORT)\n";
    }
#endif
    return kindora::BackendEnvironment::currentBaseURL(defaults);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kindora;
    std::filesystem::path databasePath = AgentPaths::messagesDatabasePath();
    bool memoryCredentials = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--database" && i + 1 < argc) {
            databasePath = argv[++i];
        } else if (argument == "--memory-credentials") {
            memoryCredentials = true;
        } else if (argument == "--version") {
            std::cout << "kindora-headless " << KINDORA_VERSION << "\n";
            return 0;
        } else {
            return usage();
        }
    }

    // Before any other thread exists: the first Ctrl-C or SIGTERM ends the run loop, so the agent
    // stops between two saves; a second one ends the process at once.
    RunLoopMainQueue mainQueue;
    TerminationSignals terminationSignals([&mainQueue] { mainQueue.quit(); });

    std::filesystem::path dataDirectory;
    try {
        dataDirectory = AgentPaths::ensureDataDirectory();
    } catch (const std::exception& error) {
        std::cerr << "kindora-headless: unusable data directory: " << error.what() << "\n";
        return 1;
    }

    SecretServiceItems keyringItems;
    SecretServiceWatcher keyringWatcher;
    std::unique_ptr<CredentialStoreProtocol> credentialStore;
    KeychainCredentialStore* keyring = nullptr;
    if (memoryCredentials) {
        credentialStore = std::make_unique<InMemoryCredentialStore>();
    } else {
        auto held = std::make_unique<KeychainCredentialStore>(keyringItems, keyringWatcher, Sleeper::live());
        keyring = held.get();
        credentialStore = std::move(held);
    }
    InMemoryDefaults defaults;
    const Log log("AppDelegate");

    HeadlessAgent::Options options{
        backendOrigin(defaults),
        databasePath,
        dataDirectory,
        hostName(),
        std::string(KINDORA_VERSION),
        [&log](const std::string& url) { log.info("auto-join: opening {}", linkForLog(url)); },
        keyring};
    std::unique_ptr<HeadlessAgent> agent;
    try {
        agent = std::make_unique<HeadlessAgent>(options, *credentialStore, defaults, mainQueue);
    } catch (const AgentAlreadyRunningError& running) {
        std::cerr << "kindora-headless: " << running.what() << "\n";
        return 1;
    }
    terminationSignals.setLastSave([&agent] { agent->agent().finishPendingSaves(); });
    // Only the agent that holds the data directory writes to its log.
    Log::addFileSink(dataDirectory / "kindora.log", 5 * 1024 * 1024);
    Log::addJournalSink();

    mainQueue.post([&] {
        log.info("kindora-headless {} reading {}", KINDORA_VERSION, databasePath.string());
        agent->launch();
    });
    mainQueue.run();

    agent->shutDown();
    terminationSignals.setLastSave({});
    agent.reset();
    if (keyring != nullptr) {
        keyring->shutDown();
    }
    log.info("kindora-headless stopped");
    return 0;
}
