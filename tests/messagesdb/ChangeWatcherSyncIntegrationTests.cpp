// The change watcher wired to a real sync engine, as the agent wires them: a Messages database file
// written by the chatdb generator, the engine with the real backend client over libcurl, and the
// devserver on loopback. The engine's waits are virtual, so a message forwarded without advancing
// the timeline was forwarded because the watcher woke the loop.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>

#include "core/backend/BackendClient.hpp"
#include "core/backend/CurlTransport.hpp"
#include "core/common/AgentPaths.hpp"
#include "core/credentials/InMemoryCredentialStore.hpp"
#include "core/messagesdb/ChatDBReader.hpp"
#include "core/messagesdb/InotifyChatDBChangeWatcher.hpp"
#include "core/sync/InMemoryWatermarkStore.hpp"
#include "core/sync/SyncEngine.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/VirtualTime.hpp"
#include "tools/chatdb/ChatDBGenerator.hpp"
#include "tools/devserver/DevServer.hpp"

namespace kindora {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::unique_ptr<devserver::DevServer> startedServer() {
    auto server = std::make_unique<devserver::DevServer>(devserver::DevServerOptions{});
    server->start();
    return server;
}

fs::path freshDatabase() {
    const fs::path path = AgentPaths::homeDirectory() / "Library" / "Messages" / "chat.db";
    fs::create_directories(path.parent_path());
    ChatDBGenerator::create(path.string(), 50, 7);  // history the engine never forwards
    return path;
}

class ChangeWatcherSyncIntegration : public ::testing::Test {
protected:
    ChangeWatcherSyncIntegration() {
        const auto pairing = client->createPairing("watch-test-mac", "1.0.0");
        server->household().confirmPairing(pairing.code);
        credentials.saveDeviceToken(pairing.deviceToken);
        engine = std::make_unique<SyncEngine>(reader, *client, credentials, store, nullptr, time.sleeper(),
                                              SyncClock::live(), "1.0.0");
        engine->setStatusHandler([this](const SyncStatus& status) {
            const std::lock_guard lock(mutex);
            sent = status.sessionSentCount;
            published.notify_all();
        });
    }

    ~ChangeWatcherSyncIntegration() override {
        engine.reset();
        // The client's kept-alive connection would hold the server's stop for its keep-alive time.
        client.reset();
        transport.reset();
        server->stop();
    }

    // Starts the engine and waits for its first tick (which sets the watermark) to end.
    void startEngine() {
        engine->start();
        ASSERT_TRUE(time.waitForSleepCount(1));
    }

    // Adds `count` inbound messages (and some replies and reads) as Messages would; gives how many
    // inbound ones the database now holds beyond its history.
    std::int64_t append(std::int64_t count) {
        appended += ChatDBGenerator::append(database.string(), count, 100 + appended, SyncClock::live().now())
                        .inbound;
        return appended;
    }

    bool waitForSent(std::int64_t count) {
        std::unique_lock lock(mutex);
        return published.wait_for(lock, 10s, [&] { return sent >= count; });
    }

    std::int64_t received() {
        return static_cast<std::int64_t>(server->household().snapshot().messages.size());
    }

    testing::LogCapture logs;
    testing::VirtualTime time;
    std::unique_ptr<devserver::DevServer> server = startedServer();
    std::unique_ptr<CurlTransport> transport = std::make_unique<CurlTransport>();
    std::unique_ptr<BackendClient> client = std::make_unique<BackendClient>(server->origin(), *transport);
    InMemoryCredentialStore credentials;
    InMemoryWatermarkStore store;
    fs::path database = freshDatabase();
    ChatDBReader reader{database.string()};
    std::unique_ptr<SyncEngine> engine;
    std::int64_t appended = 0;

    std::mutex mutex;
    std::condition_variable published;
    std::int64_t sent = 0;
};

TEST_F(ChangeWatcherSyncIntegration, AWrittenMessageIsForwardedWithoutWaitingForTheNextTick) {
    const Date start = time.now();
    InotifyChatDBChangeWatcher watcher(database);
    watcher.start([this] { engine->tickNow(); });
    startEngine();

    for (int round = 1; round <= 3; ++round) {
        const std::int64_t expected = append(2);
        ASSERT_TRUE(waitForSent(expected)) << "round " << round;
    }
    watcher.stop();
    engine->stop();

    EXPECT_EQ(received(), appended);
    EXPECT_EQ(time.now(), start) << "the timeline never moved";
    for (const double delay : time.requestedSleeps()) {
        EXPECT_EQ(delay, SyncEngine::interval) << "the regular tick stays the safety net";
    }
}

// A watcher that cannot be set up says so once, and the regular tick still forwards everything. (Without
// a watcher at all the engine's own integration test forwards on the regular tick; a stopped watcher
// calls nothing, as the watcher's tests show.)
TEST_F(ChangeWatcherSyncIntegration, AWatcherThatCannotBeSetUpLeavesTheRegularTickForwardingEverything) {
    InotifyChatDBChangeWatcher watcher(AgentPaths::homeDirectory() / "gone" / "chat.db");
    watcher.start([this] { engine->tickNow(); });
    startEngine();

    std::size_t ticks = 1;
    for (int round = 1; round <= 3; ++round) {
        const std::int64_t expected = append(3);
        time.advance(SyncEngine::interval);
        ASSERT_TRUE(time.waitForSleepCount(++ticks));
        ASSERT_TRUE(waitForSent(expected)) << "round " << round;
    }
    engine->stop();
    watcher.stop();

    EXPECT_EQ(received(), appended);
    EXPECT_EQ(store.state()->lastRowID, reader.maxRowID());
    EXPECT_EQ(logs.count("cannot watch", "Sync"), 1u);
}

}  // namespace
}  // namespace kindora
