#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <mutex>

#include "core/common/AgentPaths.hpp"
#include "core/messagesdb/ChatDBReader.hpp"
#include "core/sync/FileWatermarkStore.hpp"
#include "core/sync/SyncEngine.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/VirtualTime.hpp"
#include "tests/sync/MessagesDatabase.hpp"
#include "tests/sync/SyncBackendHarness.hpp"
#include "tests/support/UserTextPrinting.hpp"

namespace kindora::testing {
namespace {

// The engine over a real Messages database file, a real state.json, the real backend client and
// transport, and a devserver on loopback. Waits are virtual; everything else is real.
class SyncIntegrationTest : public ::testing::Test {
protected:
    SyncIntegrationTest()
        : freshDataDirectory((std::filesystem::remove_all(AgentPaths::dataDirectory()), true)),
          database(AgentPaths::homeDirectory() / "chat.db", 50),
          reader(database.path().string()),
          store(AgentPaths::dataDirectory()) {
        engine = std::make_unique<SyncEngine>(reader, backend.client(), backend.credentials(), store, nullptr,
                                              time.sleeper(), SyncClock::live(), "1.0.0");
        engine->setStatusHandler([this](const SyncStatus& status) {
            std::lock_guard lock(statusMutex);
            lastStatus = status;
        });
    }

    SyncStatus status() {
        std::lock_guard lock(statusMutex);
        return lastStatus;
    }
    static Date now() { return SyncClock::live().now(); }

    // How long a real tick may take on a loaded machine before the test gives up on it.
    static constexpr std::chrono::seconds patience{120};

    bool freshDataDirectory;  // state.json of an earlier test in this process must not leak in
    LogCapture logs;
    VirtualTime time;
    SyncBackendHarness backend;
    MessagesDatabase database;
    ChatDBReader reader;
    FileWatermarkStore store;
    std::mutex statusMutex;
    SyncStatus lastStatus;
    std::unique_ptr<SyncEngine> engine;
};

TEST_F(SyncIntegrationTest, ABacklogOf10000MessagesAfterTheFirstRunDrainsWithoutBackingOff) {
    engine->tick();  // first run: the 50 messages of history stay behind the watermark
    ASSERT_EQ(store.load()->lastRowID, 50);
    database.addInboundBatch(10'000, "backlog message ", now());

    engine->start();
    std::size_t ticks = 1;
    while (backend.receivedGUIDs().size() < 10'000 && ticks < 20) {
        ASSERT_TRUE(time.waitForSleepCount(ticks, patience));
        time.advanceToNextDeadline();
        ++ticks;
    }
    ASSERT_TRUE(time.waitForSleepCount(ticks, patience));
    engine->stop();

    const auto received = backend.receivedGUIDs();
    EXPECT_EQ(received.size(), 10'000u);
    EXPECT_EQ(std::set<std::string>(received.begin(), received.end()).size(), 10'000u) << "each message once";
    EXPECT_EQ(std::count(received.begin(), received.end(), "FAKE-GUID-1"), 0) << "history is never sent";
    for (const double delay : time.requestedSleeps()) {
        EXPECT_EQ(delay, 5.0);
    }
    EXPECT_EQ(store.load()->lastRowID, database.maxRowID());
    EXPECT_EQ(store.load()->lifetimeSentCount, 10'000);
    EXPECT_EQ(status().queueLagRowCount, 0);
    EXPECT_FALSE(status().lastError);
}

TEST_F(SyncIntegrationTest, MessagesAppendedWhileRunningReachTheBackendAtTheNextTick) {
    engine->start();
    ASSERT_TRUE(time.waitForSleepCount(1, patience));
    const auto first = database.addInbound("are you home?", now());
    const auto second = database.addInbound("dinner at 7", now());
    time.advance(5);
    ASSERT_TRUE(time.waitForSleepCount(2, patience));
    engine->stop();

    EXPECT_EQ(backend.receivedGUIDs(), (std::vector<std::string>{first.guid, second.guid}));
    const auto stored = backend.server().household().snapshot().messages;
    EXPECT_EQ(stored.at(0).message.text, "are you home?");
    EXPECT_EQ(stored.at(0).message.senderHandle, "+15550199");
    EXPECT_EQ(status().sessionSentCount, 2);
}

TEST_F(SyncIntegrationTest, ReadsAndRepliesAreReportedToTheBackend) {
    auto rules = backend.server().household().rules();
    rules.keywords.push_back(
        {"urgent", "Urgent message", InterruptUrgency::critical, false, true, std::nullopt});
    backend.server().household().setRules(rules);
    engine->tick();

    const auto plain = database.addInbound("see you soon", now());
    const auto urgent = database.addInbound("urgent: call me", now());
    const auto answered = database.addInbound("URGENT pick up", now());
    engine->tick();
    ASSERT_EQ(store.load()->pendingReadWatches.size(), 2u) << "the two raised messages are watched";

    database.markRead(plain.guid, now());
    database.markRead(urgent.guid, now());
    database.addReply(now());
    engine->tick();

    EXPECT_EQ(backend.readGUIDs(), (std::set<std::string>{plain.guid, urgent.guid, answered.guid}));
    EXPECT_TRUE(store.load()->pendingReadWatches.empty());
    engine->tick();
    EXPECT_EQ(backend.server().household().snapshot().reads.size(), 3u) << "each read reported once";
}

TEST_F(SyncIntegrationTest, RevokingTheDeviceAtTheServerStopsTheEngineAndDeletesTheToken) {
    std::promise<void> revoked;
    engine->setRevokedHandler([&revoked] { revoked.set_value(); });
    engine->start();
    ASSERT_TRUE(time.waitForSleepCount(1, patience));

    backend.server().household().revokeDevice(backend.deviceId());
    database.addInbound("hello?", now());
    time.advance(5);
    ASSERT_EQ(revoked.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_FALSE(engine->isRunning());
    engine.reset();
    EXPECT_FALSE(backend.credentials().loadDeviceToken());
    EXPECT_EQ(englishOf(status().lastError), "Device credential revoked");
    EXPECT_TRUE(backend.receivedGUIDs().empty());
}

TEST_F(SyncIntegrationTest, MessageTextNeverReachesTheLogs) {
    engine->tick();
    std::vector<std::string> texts;
    for (int i = 0; i < 5; ++i) {
        texts.push_back("private words number " + std::to_string(i) + " zq7");
        database.addInbound(texts.back(), now());
    }
    // Failures log the most: a server error, a dropped connection, then a poison batch.
    backend.server().faults().add({"*", {devserver::FaultKind::status, 500, "{\"error\":\"boom\"}", 0}, 1});
    engine->tick();
    backend.server().faults().add({"*", {devserver::FaultKind::drop, 200, "", 0}, 1});
    engine->tick();
    engine->tick();
    const std::string longText(12'000, 'k');
    database.addInbound(longText, now());
    engine->tick();
    ASSERT_EQ(backend.receivedGUIDs().size(), 6u);

    ASSERT_FALSE(logs.lines().empty());
    for (const auto& line : logs.lines()) {
        for (const auto& text : texts) {
            EXPECT_EQ(line.message.find("zq7"), std::string::npos) << line.category << ": " << line.message;
            EXPECT_EQ(line.message.find(text), std::string::npos);
        }
        EXPECT_EQ(line.message.find("kkkkkkkkkk"), std::string::npos) << line.message;
        EXPECT_EQ(line.message.find(*backend.credentials().loadDeviceToken()), std::string::npos)
            << line.message;
    }
}

}  // namespace
}  // namespace kindora::testing
