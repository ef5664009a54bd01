#pragma once

// The composed agent on a virtual timeline: the real stores, controllers and loops, the real libcurl
// transport against the in-process devserver (which dates everything on the same timeline), a real
// Messages database, and hand-driven stand-ins for the platform's hints (database changes, wake) and
// its login items. The test's thread plays the main thread.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/agent/Agent.hpp"
#include "core/backend/CurlTransport.hpp"
#include "core/common/AgentPaths.hpp"
#include "core/common/InMemoryDefaults.hpp"
#include "core/credentials/InMemoryCredentialStore.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/ManualMainQueue.hpp"
#include "tests/support/VirtualTime.hpp"
#include "tools/chatdb/ChatDBGenerator.hpp"
#include "tools/devserver/DevServer.hpp"

namespace kindora::testing {

// The platform's wake notification, fired by the test from a thread of its own as a platform would.
class ManualWakeSource final : public WakeSource {
public:
    void start(WakeHandler onWake) override {
        std::lock_guard lock(mutex_);
        onWake_ = std::move(onWake);
    }
    void stop() override {
        std::lock_guard lock(mutex_);
        onWake_ = nullptr;
    }
    bool isListening() const {
        std::lock_guard lock(mutex_);
        return onWake_ != nullptr;
    }
    void wake() {
        std::thread([this] {
            std::lock_guard lock(mutex_);
            if (onWake_) {
                onWake_();
            }
        }).join();
    }

private:
    mutable std::mutex mutex_;
    WakeHandler onWake_;
};

// The change hint, fired by the test; the real inotify watcher has its own suite.
class ManualChangeWatcher final : public ChatDBChangeWatching {
public:
    void start(ChangeHandler onChange) override {
        std::lock_guard lock(mutex_);
        onChange_ = std::move(onChange);
    }
    void stop() override {
        std::lock_guard lock(mutex_);
        onChange_ = nullptr;
    }
    bool isWatching() const {
        std::lock_guard lock(mutex_);
        return onChange_ != nullptr;
    }

private:
    mutable std::mutex mutex_;
    ChangeHandler onChange_;
};

// Login items that remember what was asked of them.
class RecordingLoginItemService final : public LoginItemService {
public:
    Status status() const override { return status_; }
    void registerLoginItem() override {
        ++registrations;
        status_ = Status::enabled;
    }
    void unregisterLoginItem() override { status_ = Status::notRegistered; }

    Status status_ = Status::notRegistered;
    int registrations = 0;
};

class AgentScenario : public ::testing::Test {
protected:
    AgentScenario() {
        server.start();
        std::filesystem::create_directories(databasePath.parent_path());
        ChatDBGenerator::create(databasePath.string(), 50, 7);
    }

    ~AgentScenario() override {
        // The agent first (its threads end and its kept-alive connections close), then the server.
        agent.reset();
        transport.reset();
        mainQueue.drain();
        server.stop();
    }

    // The platform as every scenario gives it; a scenario may change a part before makeAgent().
    PlatformServices services() {
        return PlatformServices{
            .mainQueue = mainQueue,
            .credentialStore = credentials,
            .defaults = defaults,
            .loginItemService = &loginItems,
            .transport = *transport,
            .changeWatcher = changeWatcher,
            .wakeSource = wakeSource,
            .backendBaseURL = server.origin(),
            .databasePath = databasePath,
            .dataDirectory = AgentPaths::ensureDataDirectory(),
            .hostName = "den-pc",
            .agentVersion = "2.0.0",
            .openURL = [this](const std::string& url) { opened.push_back(url); },
            .isLikelyInMeeting = {},
            .sleeper = time.sleeper(),
            .clock = time.clock(),
        };
    }

    void makeAgent(std::optional<PlatformServices> platform = std::nullopt) {
        agent = std::make_unique<Agent>(platform ? *std::move(platform) : services());
    }

    // A device the household has confirmed, with its credentials in the store.
    std::string pairDevice() {
        const auto pairing =
            server.household().createPairing(PairingCreateRequest{"den-pc", "macos", "2.0.0"});
        server.household().confirmPairing(pairing.code);
        credentials.saveDeviceToken(pairing.deviceToken);
        credentials.saveDeviceId(pairing.deviceId);
        return pairing.deviceId;
    }

    // Launches and waits until the first derivation of the phase has been applied.
    void launch() {
        if (!agent) {
            makeAgent();
        }
        bool refreshed = false;
        const Subscription subscription =
            agent->observePhaseRefreshed([&](const SetupFacts&) { refreshed = true; });
        agent->finishLaunching();
        ASSERT_TRUE(mainQueue.drainUntil([&] { return refreshed; }));
    }

    bool waitFor(const std::function<bool()>& condition) { return mainQueue.drainUntil(condition); }

    const Phase& phase() const { return agent->appState().phase(); }

    LogCapture log;
    VirtualTime time;
    devserver::DevServer server{devserver::DevServerOptions{}, time.clock()};
    std::filesystem::path databasePath = AgentPaths::homeDirectory() / "Library/Messages/chat.db";
    InMemoryCredentialStore credentials;
    InMemoryDefaults defaults;
    ManualMainQueue mainQueue{time};
    std::unique_ptr<CurlTransport> transport = std::make_unique<CurlTransport>();
    ManualChangeWatcher changeWatcher;
    ManualWakeSource wakeSource;
    RecordingLoginItemService loginItems;
    std::vector<std::string> opened;
    std::unique_ptr<Agent> agent;
};

}  // namespace kindora::testing
