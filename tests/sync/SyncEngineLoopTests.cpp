#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "core/backend/BackendError.hpp"
#include "core/messagesdb/AppleTime.hpp"
#include "tests/sync/SyncEngineTestSupport.hpp"
#include "tests/support/UserTextPrinting.hpp"

namespace kindora::testing {
namespace {

// The engine on its own loop thread, on virtual time: waits end only when the test moves time on.
class SyncEngineLoopTest : public SyncEngineTest {
protected:
    // Waits until the loop has begun its `count`-th wait (so `count` ticks have finished).
    void waitForTicks(std::size_t count) { ASSERT_TRUE(time.waitForSleepCount(count)); }
};

TEST_F(SyncEngineLoopTest, TicksThenWaitsFiveSecondsBetweenTicks) {
    storeWatermark(0);
    engine->start();
    EXPECT_TRUE(engine->isRunning());
    waitForTicks(1);
    EXPECT_EQ(time.requestedSleeps(), std::vector<double>{5.0});

    db.addMessage();
    time.advance(5);
    waitForTicks(2);
    EXPECT_EQ(backend.messageBatches().size(), 1u);
    engine->stop();
    EXPECT_FALSE(engine->isRunning());
}

TEST_F(SyncEngineLoopTest, TickNowCutsALongBackOffWaitShort) {
    storeWatermark(0);
    db.addMessage();
    backend.setResponder(
        [](const IngestRequest&) -> IngestResponse { throw BackendError::network("offline"); });
    engine->start();
    for (std::size_t tick = 1; tick <= 8; ++tick) {
        waitForTicks(tick);
        time.advanceToNextDeadline();
    }
    waitForTicks(9);
    ASSERT_GE(time.pendingDelays().size(), 1u);
    EXPECT_GE(time.pendingDelays()[0], 300.0 * 0.85);

    backend.setResponder(FakeIngestClient::allNoMatch);
    engine->tickNow();
    waitForTicks(10);
    EXPECT_EQ(time.requestedSleeps().back(), 5.0);
    EXPECT_EQ(saved().lastRowID, 1);
    EXPECT_FALSE(lastStatus().lastError);
}

TEST_F(SyncEngineLoopTest, StopDuringAWaitEndsTheLoopAndStartResumesWithoutResettingTheSessionCount) {
    storeWatermark(0);
    db.addMessage();
    engine->start();
    waitForTicks(1);
    engine->stop();
    EXPECT_FALSE(engine->isRunning());

    db.addMessage();
    engine->start();
    waitForTicks(2);
    EXPECT_EQ(lastStatus().sessionSentCount, 2);
    EXPECT_EQ(backend.messageBatches().size(), 2u);
}

TEST_F(SyncEngineLoopTest, StopDropsTheCachedStateSoTheNextStartReadsTheStore) {
    storeWatermark(0);
    engine->start();
    waitForTicks(1);
    engine->stop();

    storeWatermark(0);
    db.addMessage();
    db.addMessage();
    SyncState moved;
    moved.lastRowID = 1;
    store.save(moved);
    engine->start();
    waitForTicks(2);
    ASSERT_EQ(backend.messageBatches().size(), 1u);
    EXPECT_EQ(backend.messageBatches()[0].messages.at(0).guid, "guid-2");
}

TEST_F(SyncEngineLoopTest, RevocationStopsTheLoopItself) {
    storeWatermark(0);
    db.addMessage();
    backend.setResponder([](const IngestRequest&) -> IngestResponse { throw BackendError::revoked(); });
    std::atomic<int> revoked{0};
    std::promise<void> handled;
    engine->setRevokedHandler([&] {
        if (++revoked == 1) {
            handled.set_value();
        }
    });
    engine->start();
    ASSERT_EQ(handled.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_FALSE(engine->isRunning());
    engine.reset();  // joins the loop thread
    EXPECT_EQ(revoked.load(), 1);
    EXPECT_FALSE(credentials.loadDeviceToken());
    EXPECT_EQ(time.sleepCount(), 0u) << "a revoked engine does not wait for another tick";
    EXPECT_EQ(englishOf(lastStatus().lastError), "Device credential revoked");
}

TEST_F(SyncEngineLoopTest, AStopDuringARequestIsNotReportedAsAFailure) {
    storeWatermark(0);
    db.addMessage();
    std::promise<void> stopped;
    backend.setResponder([&](const IngestRequest&) -> IngestResponse {
        engine->stop();  // the user signed out while the batch was on its way
        stopped.set_value();
        throw BackendError::network("the transfer was aborted");
    });
    engine->start();
    ASSERT_EQ(stopped.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    engine.reset();
    EXPECT_TRUE(published().empty());
    EXPECT_FALSE(logs.contains("sync tick failed"));
    EXPECT_EQ(saved().lastRowID, 0);
    EXPECT_EQ(time.sleepCount(), 0u);
}

TEST_F(SyncEngineLoopTest, AStopDuringTheReadReportIsNotReportedAsAFailureEither) {
    SyncState state;
    state.lastRowID = 10;
    store.save(state);
    db.setMaxRowIDOverride(10);
    db.addRead({5, "read-5", 100, AppleTime::nanoseconds(time.now() + Seconds(-3600))});
    std::promise<void> stopped;
    backend.setResponder([&](const IngestRequest&) -> IngestResponse {
        engine->stop();  // the user signed out while the report was on its way
        stopped.set_value();
        throw BackendError::network("the transfer was aborted");
    });
    engine->start();
    ASSERT_EQ(stopped.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    engine.reset();
    ASSERT_EQ(backend.readReports().size(), 1u);
    EXPECT_TRUE(published().empty());
    EXPECT_FALSE(logs.contains("read-report failed"));
    EXPECT_EQ(saved().lastReadRowID, 0) << "the same reads go out at the next start";
    EXPECT_EQ(time.sleepCount(), 0u);
}

TEST_F(SyncEngineLoopTest, AMessageArrivingDuringATickIsForwardedByAnotherTickRightAfterIt) {
    storeWatermark(0);
    db.addMessage();
    int batches = 0;
    backend.setResponder([&](const IngestRequest& request) {
        if (!request.messages.empty() && ++batches == 1) {
            db.addMessage();    // arrives while the first batch is on its way
            engine->tickNow();  // and the database watcher says so
        }
        return FakeIngestClient::allNoMatch(request);
    });
    engine->start();
    waitForTicks(1);
    EXPECT_EQ(backend.messageBatches().size(), 2u);
    EXPECT_EQ(saved().lastRowID, 2);
    EXPECT_EQ(time.requestedSleeps(), std::vector<double>{5.0}) << "no wait between the two ticks";
}

TEST_F(SyncEngineLoopTest, DestroyingARunningEngineStopsItsLoop) {
    storeWatermark(0);
    engine->start();
    waitForTicks(1);
    engine.reset();
    EXPECT_EQ(time.sleeperCount(), 0u);
}

}  // namespace
}  // namespace kindora::testing
