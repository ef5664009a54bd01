// The heartbeat against the real kindora-devserver (in-process, over HTTP on loopback) through the
// real backend client, with the state.json watermark store. Waits between heartbeats are virtual.
#include <gtest/gtest.h>

#include <future>
#include <memory>

#include "core/backend/BackendClient.hpp"
#include "core/backend/CurlTransport.hpp"
#include "core/common/AgentPaths.hpp"
#include "core/credentials/InMemoryCredentialStore.hpp"
#include "core/lifecycle/HeartbeatScheduler.hpp"
#include "core/lifecycle/LoggingCommandHandler.hpp"
#include "core/sync/FileWatermarkStore.hpp"
#include "tests/lifecycle/HeartbeatTestSupport.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/VirtualTime.hpp"
#include "tools/devserver/DevServer.hpp"

namespace kindora {
namespace {

using devserver::DevServer;
using devserver::Fault;
using devserver::FaultKind;
using devserver::FaultRule;

// The devserver, already serving once constructed, so that its origin is known.
struct RunningDevServer {
    explicit RunningDevServer(SyncClock clock) : server(devserver::DevServerOptions{}, std::move(clock)) {
        server.start();
    }
    DevServer server;
};

class HeartbeatIntegrationTest : public ::testing::Test {
protected:
    HeartbeatIntegrationTest() {
        // A device paired and confirmed on the household's side.
        const auto pairing =
            server.household().createPairing(PairingCreateRequest{"den-pc", "macos", "2.0.1"});
        server.household().confirmPairing(pairing.code);
        deviceId = pairing.deviceId;
        credentials.saveDeviceToken(pairing.deviceToken);
        credentials.saveDeviceId(pairing.deviceId);
        scheduler.setStatusHandler(recorder.handler());
    }

    // Members go in reverse order: the scheduler, then the transport (closing its kept-alive
    // connection, which the server would otherwise wait out), then the server.
    ~HeartbeatIntegrationTest() override { scheduler.stop(); }

    devserver::Device device() {
        for (const auto& device : server.household().snapshot().devices) {
            if (device.id == deviceId) {
                return device;
            }
        }
        ADD_FAILURE() << "device gone";
        return {};
    }

    std::vector<HeartbeatStatus> reported() const { return recorder.reported(); }

    void startAndSettle() { testing::startAndSettle(scheduler, time); }
    void nextHeartbeat() { testing::nextHeartbeat(time); }

    testing::VirtualTime time;
    RunningDevServer running{time.clock()};
    DevServer& server = running.server;
    CurlTransport transport;
    BackendClient client{server.origin(), transport};
    InMemoryCredentialStore credentials;
    FileWatermarkStore watermarkStore{AgentPaths::dataDirectory()};
    RevocationHandler revocationHandler{credentials};
    LoggingCommandHandler commandHandler;
    std::string deviceId;
    testing::HeartbeatStatusRecorder recorder;
    HeartbeatScheduler scheduler{client,         credentials,    watermarkStore, revocationHandler,
                                 commandHandler, time.sleeper(), time.clock(),   "2.0.2"};
};

TEST_F(HeartbeatIntegrationTest, TheCursorIsTheWatermarkAndAbsentOnAFreshInstall) {
    startAndSettle();
    EXPECT_EQ(device().cursor, std::nullopt);
    EXPECT_EQ(device().lastSeenAt, time.now());
    EXPECT_EQ(device().agentVersion, "2.0.2");

    SyncState state;
    state.lastRowID = 73512;
    watermarkStore.save(state);
    nextHeartbeat();
    EXPECT_EQ(device().cursor, "73512");
    EXPECT_EQ(reported().back(), (HeartbeatStatus{time.now(), false}));
}

// A refusal, a malformed answer and a dropped connection each count: three in a row are degraded, and
// the next success clears it.
TEST_F(HeartbeatIntegrationTest, ThreeFailuresOfAnyKindAreDegradedAndASuccessClearsIt) {
    server.faults().add(FaultRule{"heartbeat", Fault{FaultKind::status, 500, {}, 0}, 1});
    server.faults().add(FaultRule{"heartbeat", Fault{FaultKind::malformed, 200, {}, 0}, 1});
    server.faults().add(FaultRule{"heartbeat", Fault{FaultKind::drop, 200, {}, 0}, 1});
    testing::LogCapture capture;
    startAndSettle();
    nextHeartbeat();
    EXPECT_FALSE(reported().back().isDegraded);
    nextHeartbeat();
    EXPECT_EQ(reported().back(), (HeartbeatStatus{std::nullopt, true}));
    EXPECT_TRUE(capture.contains("heartbeat failed (3 consecutive): ", "Heartbeat"));
    EXPECT_FALSE(capture.anyLineContains(*credentials.loadDeviceToken()));
    nextHeartbeat();
    EXPECT_EQ(reported().back(), (HeartbeatStatus{time.now(), false}));
}

TEST_F(HeartbeatIntegrationTest, BackendContactClearsTheDegradedStateAndHeartbeats) {
    server.faults().add(FaultRule{"heartbeat", Fault{FaultKind::status, 502, {}, 0}, 3});
    startAndSettle();
    nextHeartbeat();
    nextHeartbeat();
    ASSERT_TRUE(reported().back().isDegraded);

    const auto sleeps = time.sleepCount();
    scheduler.noteBackendContact();
    EXPECT_EQ(reported().back(), (HeartbeatStatus{std::nullopt, false}));
    ASSERT_TRUE(time.waitForSleepCount(sleeps + 1));
    EXPECT_EQ(device().lastSeenAt, time.now());
    EXPECT_EQ(reported().back(), (HeartbeatStatus{time.now(), false}));
}

TEST_F(HeartbeatIntegrationTest, ARevokedDeviceStopsTheScheduler) {
    std::promise<void> revoked;
    revocationHandler.setCallback([&] { revoked.set_value(); });
    startAndSettle();
    server.household().revokeDevice(deviceId);
    scheduler.tickNow();
    ASSERT_EQ(revoked.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_FALSE(scheduler.isRunning());
    EXPECT_FALSE(credentials.hasDeviceToken());
    EXPECT_EQ(credentials.loadDeviceId(), deviceId);
    EXPECT_EQ(reported().size(), 1u) << "a revocation reports no status";
}

TEST_F(HeartbeatIntegrationTest, ReturnedCommandsAreLogged) {
    testing::LogCapture capture;
    startAndSettle();
    server.household().queueCommand(deviceId, "refresh_rules");
    server.household().queueCommand(deviceId, "upload_logs");
    nextHeartbeat();
    EXPECT_TRUE(capture.contains(
        "heartbeat response carried 2 command(s), 2 unrecognized - no command handler wired yet (epic #216)",
        "Heartbeat"));
    nextHeartbeat();
    EXPECT_EQ(capture.count("heartbeat response carried", "Heartbeat"), 1u) << "commands are delivered once";
}

}  // namespace
}  // namespace kindora
