// kindora-headless: the agent without a desktop, for servers, the demo and end-to-end tests.
//   kindora-headless [--database PATH] [--memory-credentials]
// The backend origin is fixed at build time. Credentials live in the Secret Service unless
// --memory-credentials keeps them in memory (the device then pairs anew at every start).
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "core/backend/BackendEnvironment.hpp"
#include "core/common/AgentPaths.hpp"
#include "core/common/InMemoryDefaults.hpp"
#include "core/common/Log.hpp"
#include "core/common/RunLoopMainQueue.hpp"
#include "core/credentials/InMemoryCredentialStore.hpp"
#include "core/credentials/KeychainCredentialStore.hpp"
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

    // Signals are taken by one thread of our own, before any other thread exists, so that Ctrl-C
    // ends the run loop instead of the process in the middle of a save.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::filesystem::path dataDirectory;
    try {
        dataDirectory = AgentPaths::ensureDataDirectory();
    } catch (const std::exception& error) {
        std::cerr << "kindora-headless: cannot create the data directory: " << error.what() << "\n";
        return 1;
    }
    Log::addFileSink(dataDirectory / "kindora.log", 5 * 1024 * 1024);
    Log::addJournalSink();

    std::unique_ptr<CredentialStoreProtocol> credentialStore;
    if (memoryCredentials) {
        credentialStore = std::make_unique<InMemoryCredentialStore>();
    } else {
        credentialStore = std::make_unique<KeychainCredentialStore>();
    }
    InMemoryDefaults defaults;
    RunLoopMainQueue mainQueue;
    const Log log("AppDelegate");

    HeadlessAgent::Options options{
        BackendEnvironment::currentBaseURL(defaults),
        databasePath,
        dataDirectory,
        hostName(),
        std::string(KINDORA_VERSION),
        [&log](const std::string& url) { log.info("auto-join: opening {}", url); }};
    auto agent = std::make_unique<HeadlessAgent>(options, *credentialStore, defaults, mainQueue);

    std::thread signalWaiter([&] {
        int received = 0;
        sigwait(&signals, &received);
        mainQueue.quit();
    });

    mainQueue.post([&] {
        log.info("kindora-headless {} reading {}", KINDORA_VERSION, databasePath.string());
        agent->launch();
    });
    mainQueue.run();

    agent->shutDown();
    agent.reset();
    // The waiter ends with the signal that stopped the run loop; if the loop ended otherwise, wake it.
    ::kill(::getpid(), SIGTERM);
    signalWaiter.join();
    log.info("kindora-headless stopped");
    return 0;
}
