// Pairing against the real kindora-devserver (in-process, over HTTP on loopback) through the real
// backend client and curl transport. The server's clock and the controller's share one virtual
// timeline, so code lifetimes and poll waits pass without real waiting.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "core/backend/BackendClient.hpp"
#include "core/backend/CurlTransport.hpp"
#include "core/credentials/InMemoryCredentialStore.hpp"
#include "core/lifecycle/PairingController.hpp"
#include "core/sync/InMemoryWatermarkStore.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/ManualMainQueue.hpp"
#include "tests/support/VirtualTime.hpp"
#include "tools/devserver/DevServer.hpp"
#include "tests/support/UserTextPrinting.hpp"

namespace kindora {
namespace {

using devserver::DevServer;
using devserver::DevServerOptions;
using devserver::Fault;
using devserver::FaultKind;
using devserver::FaultRule;

SyncState stateWithWatermark(std::int64_t lastRowID) {
    SyncState state;
    state.lastRowID = lastRowID;
    return state;
}

DevServerOptions serverOptions(double codeLifetime = 600) {
    DevServerOptions options;
    options.pairingCodeLifetimeSeconds = codeLifetime;
    options.pairingPollIntervalSeconds = 0;  // the controller still waits its 2-second minimum
    options.threadCount = 2;
    return options;
}

class PairingIntegrationTest : public ::testing::Test {
protected:
    void startServer(double codeLifetime = 600) {
        server = std::make_unique<DevServer>(serverOptions(codeLifetime), time.clock());
        server->start();
        client = std::make_unique<BackendClient>(server->origin(), *transport);
        controller = std::make_unique<PairingController>(
            PairingController::Dependencies{appState, credentials, watermarkStore, *client, mainQueue},
            "study-laptop", "2.0.1", time.sleeper(), time.nowFunction(), [this] { return fdaGranted; });
        controller->setOnPairingCompleted([this] { ++completions; });
    }

    // The transport goes before the server: its kept-alive connection would hold up the server's stop.
    void TearDown() override {
        controller.reset();
        client.reset();
        transport.reset();
        server.reset();
    }

    // Starts pairing and waits until the code is on screen.
    std::string codeOnScreen() {
        controller->startPairing();
        EXPECT_TRUE(mainQueue.drainUntil([&] { return appState.phase().isPairing(); }));
        return appState.phase().code();
    }

    // Ends the flow's current wait and waits until its next poll was answered and it waits again,
    // so that the household can be changed between two polls.
    void waitForNextPoll() {
        ASSERT_TRUE(time.waitForSleepers(1));
        const auto waits = time.sleepCount();
        time.advanceToNextDeadline();
        ASSERT_TRUE(time.waitForSleepCount(waits + 1)) << "the flow ended: " << describe(appState.phase());
    }
    // Ends the flow's current wait for a poll that is expected to end the flow.
    void releaseFinalPoll() {
        ASSERT_TRUE(time.waitForSleepers(1));
        time.advanceToNextDeadline();
    }

    bool drainUntilIdle() {
        return mainQueue.drainUntil([&] { return !controller->isInProgress(); });
    }

    std::vector<devserver::Device> devices() { return server->household().snapshot().devices; }

    testing::VirtualTime time;
    testing::ManualMainQueue mainQueue;
    AppState appState;
    InMemoryCredentialStore credentials;
    InMemoryWatermarkStore watermarkStore{stateWithWatermark(900)};
    bool fdaGranted = true;
    int completions = 0;
    std::unique_ptr<DevServer> server;
    std::unique_ptr<CurlTransport> transport = std::make_unique<CurlTransport>();
    std::unique_ptr<BackendClient> client;
    std::unique_ptr<PairingController> controller;
};

class PairingCompletion : public PairingIntegrationTest, public ::testing::WithParamInterface<bool> {};

TEST_P(PairingCompletion, TheConfirmedCodeStoresTheCredentialsAndMovesOn) {
    testing::LogCapture capture;
    fdaGranted = GetParam();
    credentials.saveDeviceId("an-older-device-record");
    startServer();
    const std::string code = codeOnScreen();
    ASSERT_EQ(devices().size(), 1u);
    EXPECT_EQ(code, devices()[0].code);
    EXPECT_EQ(appState.phase().expiresAt(), time.now() + Seconds(600));
    EXPECT_EQ(devices()[0].name, "study-laptop");
    EXPECT_EQ(devices()[0].agentVersion, "2.0.1");

    waitForNextPoll();  // still pending: the household has not confirmed yet
    server->household().confirmPairing(code);
    releaseFinalPoll();
    ASSERT_TRUE(drainUntilIdle());

    EXPECT_EQ(appState.phase(), GetParam() ? Phase::running(Health::healthy()) : Phase::fdaMissing());
    EXPECT_EQ(credentials.loadDeviceId(), devices()[0].id);
    ASSERT_TRUE(credentials.loadDeviceToken());
    EXPECT_NO_THROW(server->household().authenticate(*credentials.loadDeviceToken()));
    EXPECT_EQ(watermarkStore.state(), std::nullopt) << "a new device record starts the sync afresh";
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(time.requestedSleeps(), (std::vector<double>{2, 2}));
    EXPECT_FALSE(capture.anyLineContains(*credentials.loadDeviceToken()));
}

INSTANTIATE_TEST_SUITE_P(PairingIntegration, PairingCompletion, ::testing::Values(true, false),
                         [](const auto& testCase) {
                             return testCase.param ? "WithAccess" : "WithoutAccess";
                         });

TEST_F(PairingIntegrationTest, TheCodeExpires) {
    startServer(5);
    codeOnScreen();
    waitForNextPoll();  // polls at 0, 2 and 4 seconds; at 6 the code is gone
    waitForNextPoll();
    releaseFinalPoll();
    ASSERT_TRUE(drainUntilIdle());
    EXPECT_EQ(englishOf(controller->lastError()), PairingController::expiredMessage.source);
    EXPECT_EQ(appState.phase(), Phase::signedOut());
    EXPECT_FALSE(credentials.hasDeviceToken());
}

TEST_F(PairingIntegrationTest, TheHouseholdRevokesThePairing) {
    startServer();
    codeOnScreen();
    ASSERT_TRUE(time.waitForSleepers(1));
    server->household().revokeDevice(devices()[0].id);
    releaseFinalPoll();
    ASSERT_TRUE(drainUntilIdle());
    EXPECT_EQ(englishOf(controller->lastError()), PairingController::revokedMessage.source);
    EXPECT_EQ(appState.phase(), Phase::signedOut());
    EXPECT_EQ(watermarkStore.state(), stateWithWatermark(900));
}

TEST_F(PairingIntegrationTest, CancelDuringAPollAbortsItAndChangesNothingLater) {
    startServer();
    const std::string code = codeOnScreen();
    ASSERT_TRUE(time.waitForSleepers(1));
    server->faults().add(FaultRule{"pairingStatus", Fault{FaultKind::delay, 200, {}, 120}, 1});
    releaseFinalPoll();  // the next poll hangs in the server's delay
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!server->faults().pending().empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();  // until the poll has reached the server
    }
    server->household().confirmPairing(code);

    controller->cancel();  // aborts the transfer: returns without waiting out the delay
    EXPECT_EQ(appState.phase(), Phase::signedOut());
    EXPECT_FALSE(controller->isInProgress());
    EXPECT_EQ(englishOf(controller->lastError()), std::nullopt) << "a cancel is not an error";
    mainQueue.drain();
    EXPECT_EQ(appState.phase(), Phase::signedOut());
    EXPECT_FALSE(credentials.hasDeviceToken());
    EXPECT_EQ(completions, 0);
}

TEST_F(PairingIntegrationTest, ANewStartReplacesTheOlderFlow) {
    startServer();
    const std::string oldCode = codeOnScreen();
    ASSERT_TRUE(time.waitForSleepers(1));
    controller->startPairing();
    ASSERT_TRUE(mainQueue.drainUntil([&] { return appState.phase().code() != oldCode; }));
    const std::string newCode = appState.phase().code();
    EXPECT_TRUE(appState.phase().isPairing());
    ASSERT_EQ(devices().size(), 2u);

    server->household().confirmPairing(oldCode);  // the abandoned code no longer matters
    waitForNextPoll();
    EXPECT_TRUE(appState.phase().isPairing());
    server->household().confirmPairing(newCode);
    releaseFinalPoll();
    ASSERT_TRUE(drainUntilIdle());
    EXPECT_EQ(credentials.loadDeviceId(), devices()[1].id);
    EXPECT_EQ(appState.phase(), Phase::running(Health::healthy()));
    EXPECT_EQ(completions, 1);
}

TEST_F(PairingIntegrationTest, FailedPollsBackOffAndAPendingAnswerResetsTheBackOff) {
    startServer(3600);
    server->faults().add(FaultRule{"pairingStatus", Fault{FaultKind::status, 503, {}, 0}, 6});
    const std::string code = codeOnScreen();
    for (int poll = 2; poll <= 7; ++poll) {
        waitForNextPoll();  // the seventh poll is answered pending
    }
    server->faults().add(FaultRule{"pairingStatus", Fault{FaultKind::status, 502, {}, 0}, 1});
    waitForNextPoll();
    waitForNextPoll();
    server->household().confirmPairing(code);
    releaseFinalPoll();
    ASSERT_TRUE(drainUntilIdle());

    const std::vector<double> backoff{5, 10, 20, 40, 60, 60, 2, 5, 2};
    const auto sleeps = time.requestedSleeps();
    ASSERT_EQ(sleeps.size(), backoff.size());
    for (std::size_t i = 0; i < backoff.size(); ++i) {
        const double spread = backoff[i] == 2 ? 0 : 0.15 * backoff[i];
        EXPECT_NEAR(sleeps[i], backoff[i], spread) << "wait " << i;
    }
    EXPECT_EQ(englishOf(controller->lastError()), std::nullopt);
    EXPECT_EQ(appState.phase(), Phase::running(Health::healthy()));
}

TEST_F(PairingIntegrationTest, AnUnreachableBackendShowsTheNetworkError) {
    startServer();
    const std::string origin = server->origin();
    server->stop();
    server.reset();
    BackendClient offline(origin, *transport);
    appState.setPhase(Phase::fdaMissing());
    PairingController pairing({appState, credentials, watermarkStore, offline, mainQueue}, "study-laptop",
                              std::nullopt, time.sleeper(), time.nowFunction(), [] { return true; });
    pairing.startPairing();
    ASSERT_TRUE(mainQueue.drainUntil([&] { return !pairing.isInProgress(); }));
    ASSERT_TRUE(pairing.lastError());
    EXPECT_EQ(pairing.lastError()->english().rfind("Network error", 0), 0u) << pairing.lastError()->english();
    EXPECT_EQ(appState.phase(), Phase::fdaMissing()) << "a failed code request leaves the phase alone";
}

}  // namespace
}  // namespace kindora
