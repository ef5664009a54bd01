#include "core/lifecycle/HeartbeatScheduler.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "core/credentials/InMemoryCredentialStore.hpp"
#include "core/lifecycle/HeartbeatStatusStore.hpp"
#include "core/lifecycle/LoggingCommandHandler.hpp"
#include "core/sync/InMemoryWatermarkStore.hpp"
#include "tests/lifecycle/HeartbeatTestSupport.hpp"
#include "tests/lifecycle/ScriptedHeartbeatClient.hpp"
#include "tests/support/VirtualTime.hpp"

namespace kindora {
namespace {

using testing::ScriptedHeartbeatClient;

class HeartbeatSchedulerTest : public ::testing::Test {
protected:
    HeartbeatSchedulerTest() {
        credentials.saveDeviceToken("device-secret-token");
        credentials.saveDeviceId("device-1");
        scheduler.setStatusHandler(recorder.handler());
    }

    std::vector<HeartbeatStatus> reported() const { return recorder.reported(); }

    void startAndSettle() { testing::startAndSettle(scheduler, time); }
    void nextHeartbeat() { testing::nextHeartbeat(time); }

    testing::VirtualTime time;
    InMemoryCredentialStore credentials;
    InMemoryWatermarkStore watermarkStore;
    RevocationHandler revocationHandler{credentials};
    LoggingCommandHandler commandHandler;
    ScriptedHeartbeatClient client;
    testing::HeartbeatStatusRecorder recorder;
    HeartbeatScheduler scheduler{
        client,         credentials,    watermarkStore, revocationHandler,
        commandHandler, time.sleeper(), time.clock(),   "1.4.0"};  // last: stopped first
};

TEST_F(HeartbeatSchedulerTest, WithoutATokenNothingIsSentAndNothingReported) {
    credentials.deleteDeviceToken();
    startAndSettle();
    nextHeartbeat();
    EXPECT_EQ(client.callCount(), 0u);
    EXPECT_TRUE(reported().empty());
    EXPECT_EQ(time.requestedSleeps(), (std::vector<double>{300, 300}));
}

TEST_F(HeartbeatSchedulerTest, BackendContactAfterAStaleSuccessHeartbeatsAtOnce) {
    const auto failure = BackendError::network("offline");
    client.script({HeartbeatResponse{"ok", {}}, failure, failure, failure, failure});
    startAndSettle();
    const Date success = time.now();
    for (int i = 0; i < 4; ++i) {
        nextHeartbeat();
    }
    ASSERT_EQ(reported().back(), (HeartbeatStatus{success, true}));

    scheduler.noteBackendContact();
    EXPECT_EQ(reported().back(), (HeartbeatStatus{success, false}));
    ASSERT_TRUE(client.waitForCalls(6));
    ASSERT_TRUE(time.waitForSleepCount(6));
    EXPECT_EQ(reported().back(), (HeartbeatStatus{time.now(), false}));
}

TEST_F(HeartbeatSchedulerTest, BackendContactRightAfterASuccessOnlyResetsTheCount) {
    const auto failure = BackendError::network("offline");
    client.script({HeartbeatResponse{"ok", {}}, failure, failure, failure});
    startAndSettle();
    const Date success = time.now();
    for (std::size_t calls = 2; calls <= 3; ++calls) {
        scheduler.tickNow();
        ASSERT_TRUE(time.waitForSleepCount(calls));
    }
    ASSERT_EQ(client.callCount(), 3u);

    // Two failures, and a success moments ago: the contact resets the count without a heartbeat.
    const auto reportsBefore = reported().size();
    scheduler.noteBackendContact();
    EXPECT_EQ(reported().size(), reportsBefore);

    // The next failure is the first again, not the third.
    scheduler.tickNow();
    ASSERT_TRUE(time.waitForSleepCount(4));
    EXPECT_EQ(reported().back(), (HeartbeatStatus{success, false}));
    EXPECT_EQ(client.callCount(), 4u) << "the contact did not wake the loop by itself";
}

TEST_F(HeartbeatSchedulerTest, StoppingDuringAHeartbeatIsNotAFailure) {
    client.script({ScriptedHeartbeatClient::Hang{}});
    scheduler.start();
    ASSERT_TRUE(client.waitForCalls(1));
    scheduler.stop();
    scheduler.start();  // joins the stopped loop first
    ASSERT_TRUE(time.waitForSleepers(1));
    const auto statuses = reported();
    ASSERT_EQ(statuses.size(), 1u);
    EXPECT_FALSE(statuses[0].isDegraded);
    EXPECT_TRUE(statuses[0].lastHeartbeatAt.has_value()) << "only the restarted heartbeat reported";
}

TEST(HeartbeatStatusStore, NotifiesOnlyRealChanges) {
    HeartbeatStatusStore store;
    EXPECT_EQ(store.status(), (HeartbeatStatus{std::nullopt, false}));
    int notifications = 0;
    auto subscription = store.observe([&](const HeartbeatStatus&) { ++notifications; });
    const Date at = dateFromSecondsSinceEpoch(1'800'000'000);
    store.update({at, false});
    store.update({at, false});
    store.update({at, true});
    EXPECT_EQ(notifications, 2);
    EXPECT_EQ(store.status(), (HeartbeatStatus{at, true}));
}

}  // namespace
}  // namespace kindora
