// The whole agent, composed as it runs, against the substitute backend over loopback HTTP and a real
// Messages database: it pairs, forwards what arrives after its first-run watermark, and signs out
// when the household revokes the device. Loops run on real time here; the test waits for events
// (bounded), never for a fixed time.
#include "tools/headless/HeadlessAgent.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/common/AgentPaths.hpp"
#include "core/common/InMemoryDefaults.hpp"
#include "core/credentials/InMemoryCredentialStore.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/ManualMainQueue.hpp"
#include "tools/chatdb/ChatDBGenerator.hpp"
#include "tools/devserver/DevServer.hpp"

namespace kindora {
namespace {

using namespace std::chrono_literals;

class HeadlessAgentEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        server.start();
        // A fresh Messages folder and data directory, also when several tests share one process.
        std::filesystem::remove_all(databasePath.parent_path());
        std::filesystem::remove_all(AgentPaths::dataDirectory());
        std::filesystem::create_directories(databasePath.parent_path());
        ChatDBGenerator::create(databasePath.string(), 300, 5);
        agent = std::make_unique<HeadlessAgent>(
            HeadlessAgent::Options{server.origin(), databasePath, AgentPaths::ensureDataDirectory(),
                                   "test-host", "1.2.3",
                                   [this](const std::string& url) { opened.push_back(url); }},
            credentials, defaults, mainQueue);
    }

    void TearDown() override {
        if (agent) {
            agent->shutDown();
        }
        mainQueue.drain();
        agent.reset();
        mainQueue.drain();
        server.stop();
    }

    std::size_t messagesReceived() { return server.household().snapshot().messages.size(); }

    bool waitFor(const std::function<bool()>& condition) { return mainQueue.drainUntil(condition, 30s); }

    void pairWithTheHousehold() {
        agent->launch();
        ASSERT_TRUE(waitFor([&] { return agent->appState().phase().isPairing(); }));
        const std::string code = agent->appState().phase().code();
        EXPECT_FALSE(code.empty());
        server.household().confirmPairing(code);
        ASSERT_TRUE(waitFor([&] { return agent->appState().phase().isRunning(); }));
        ASSERT_TRUE(waitFor([&] { return agent->syncStatusStore().status().lastSyncAt.has_value(); }));
    }

    testing::LogCapture log;
    devserver::DevServer server{devserver::DevServerOptions{}};
    std::filesystem::path databasePath = AgentPaths::homeDirectory() / "Library/Messages/chat.db";
    InMemoryCredentialStore credentials;
    InMemoryDefaults defaults;
    testing::ManualMainQueue mainQueue;
    std::vector<std::string> opened;
    std::unique_ptr<HeadlessAgent> agent;
};

TEST_F(HeadlessAgentEndToEnd, PairsThenForwardsOnlyWhatArrivesAfterTheFirstRun) {
    pairWithTheHousehold();
    EXPECT_TRUE(credentials.loadDeviceToken().has_value());
    EXPECT_EQ(messagesReceived(), 0u) << "the history before the first run is never forwarded";

    const auto appended =
        ChatDBGenerator::append(databasePath.string(), 12, 3, std::chrono::system_clock::now(),
                                std::string("a private note that must not be logged"));
    ASSERT_TRUE(waitFor([&] { return messagesReceived() >= static_cast<std::size_t>(appended.inbound); }));
    EXPECT_EQ(messagesReceived(), static_cast<std::size_t>(appended.inbound));
    EXPECT_FALSE(log.anyLineContains("a private note that must not be logged"));
    EXPECT_FALSE(log.anyLineContains(*credentials.loadDeviceToken()));
}

TEST_F(HeadlessAgentEndToEnd, ARevokedDeviceSignsOutAndForgetsItsToken) {
    pairWithTheHousehold();
    const auto devices = server.household().snapshot().devices;
    ASSERT_EQ(devices.size(), 1u);
    server.household().revokeDevice(devices.front().id);

    ASSERT_TRUE(waitFor([&] { return agent->appState().phase().kind() == Phase::Kind::signedOut; }));
    EXPECT_FALSE(credentials.hasDeviceToken());
    EXPECT_EQ(credentials.loadDeviceId(), devices.front().id);
}

}  // namespace
}  // namespace kindora
