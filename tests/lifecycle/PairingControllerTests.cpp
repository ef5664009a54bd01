#include "core/lifecycle/PairingController.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "core/credentials/InMemoryCredentialStore.hpp"
#include "core/credentials/KeychainError.hpp"
#include "core/sync/InMemoryWatermarkStore.hpp"
#include "tests/lifecycle/ScriptedPairingClient.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/ManualMainQueue.hpp"
#include "tests/support/VirtualTime.hpp"
#include "tests/support/UserTextPrinting.hpp"

namespace kindora {
namespace {

SyncState stateWithWatermark(std::int64_t lastRowID) {
    SyncState state;
    state.lastRowID = lastRowID;
    return state;
}

using testing::ScriptedPairingClient;
using Status = PairingStatusValue;

// A credential store that fails where told to, and can pretend a saved token cannot be read back.
class UnreliableCredentialStore final : public CredentialStoreProtocol {
public:
    bool failTokenSave = false;
    bool failDeviceIdSave = false;
    bool tokenUnreadable = false;
    std::atomic<std::thread::id> tokenSavedOn;

    bool hasDeviceToken() const override { return !tokenUnreadable && inner_.hasDeviceToken(); }
    std::optional<std::string> loadDeviceToken() const override { return inner_.loadDeviceToken(); }
    void saveDeviceToken(const std::string& token) override {
        tokenSavedOn = std::this_thread::get_id();
        if (failTokenSave) {
            throw KeychainError::osStatus(2, "keyring is locked");
        }
        inner_.saveDeviceToken(token);
    }
    void deleteDeviceToken() override { inner_.deleteDeviceToken(); }
    std::optional<std::string> loadDeviceId() const override { return inner_.loadDeviceId(); }
    void saveDeviceId(const std::string& id) override {
        if (failDeviceIdSave) {
            throw KeychainError::osStatus(3, "no space");
        }
        inner_.saveDeviceId(id);
    }

private:
    InMemoryCredentialStore inner_;
};

class FailingResetWatermarkStore final : public WatermarkStore {
public:
    std::optional<SyncState> load() override { return SyncState{}; }
    void save(const SyncState&) override {}
    void reset() override { throw std::runtime_error("disk full"); }
};

class PairingControllerTest : public ::testing::Test {
protected:
    PairingCreateResponse pairingResponse(std::string code = "K7Q-4MX", std::string deviceId = "device-1",
                                          double expiresIn = 600, std::int64_t pollInterval = 3) {
        return PairingCreateResponse{std::move(deviceId), "pairing-secret-token", std::move(code),
                                     time.now() + Seconds(expiresIn), pollInterval};
    }

    PairingController& makeController(
        CredentialStoreProtocol& store, WatermarkStore& watermarks,
        std::function<double()> jitter = [] { return 1.0; }) {
        controller = std::make_unique<PairingController>(
            PairingController::Dependencies{appState, store, watermarks, client, mainQueue}, "kitchen-pc",
            "1.4.0", time.sleeper(), time.nowFunction(),
            [this] {
                fdaCheckedOn = std::this_thread::get_id();
                return fdaGranted.load();
            },
            [this] { ++completions; }, std::move(jitter));
        return *controller;
    }
    PairingController& makeController() { return makeController(credentials, watermarkStore); }

    // Lets the flow run until it has waited `sleeps` times in all, moving time past each wait.
    void runThroughSleeps(std::size_t sleeps) {
        for (; sleepsEnded < sleeps; ++sleepsEnded) {
            ASSERT_TRUE(time.waitForSleepers(1));
            time.advanceToNextDeadline();
        }
    }

    bool drainUntilIdle() {
        return mainQueue.drainUntil([&] { return !controller->isInProgress(); });
    }

    testing::VirtualTime time;
    testing::ManualMainQueue mainQueue;
    AppState appState;
    InMemoryCredentialStore credentials;
    InMemoryWatermarkStore watermarkStore{stateWithWatermark(42)};
    ScriptedPairingClient client;
    std::atomic<bool> fdaGranted{true};
    std::atomic<std::thread::id> fdaCheckedOn;
    int completions = 0;
    std::size_t sleepsEnded = 0;
    std::unique_ptr<PairingController> controller;  // last: stopped before what its flow uses
};

struct DeviceIdCase {
    const char* name;
    std::optional<std::string> storedId;
    bool watermarkReset;
};

class PairingDeviceRecord : public PairingControllerTest,
                            public ::testing::WithParamInterface<DeviceIdCase> {};

TEST_P(PairingDeviceRecord, ResetsTheWatermarkOnlyForAnotherDeviceRecord) {
    if (GetParam().storedId) {
        credentials.saveDeviceId(*GetParam().storedId);
    }
    client.createAnswers = {pairingResponse("K7Q-4MX", "device-1")};
    client.statusAnswers = {Status::active};
    makeController().startPairing();
    ASSERT_TRUE(drainUntilIdle());
    EXPECT_EQ(watermarkStore.state().has_value(), !GetParam().watermarkReset);
    EXPECT_EQ(credentials.loadDeviceId(), "device-1");
}

INSTANTIATE_TEST_SUITE_P(PairingController, PairingDeviceRecord,
                         ::testing::Values(DeviceIdCase{"FirstPairing", std::nullopt, true},
                                           DeviceIdCase{"SameDevice", "device-1", false},
                                           DeviceIdCase{"OtherDevice", "device-0", true}),
                         [](const auto& testCase) { return testCase.param.name; });

TEST_F(PairingControllerTest, ACodeAlreadyExpiredEndsBeforeTheFirstPoll) {
    client.createAnswers = {pairingResponse("K7Q-4MX", "device-1", -1)};
    auto& pairing = makeController();
    pairing.startPairing();
    ASSERT_TRUE(drainUntilIdle());
    EXPECT_TRUE(client.statusTokens().empty());
    EXPECT_EQ(englishOf(pairing.lastError()), PairingController::expiredMessage.source);
    EXPECT_EQ(appState.phase(), Phase::signedOut());
}

// How the household ends a pairing (expiry, revocation) and a cancel during a poll are walked against
// the real server by the pairing integration tests.
TEST_F(PairingControllerTest, ATokenThatCannotBeSavedSignsOutWithTheReason) {
    UnreliableCredentialStore store;
    store.failTokenSave = true;
    client.createAnswers = {pairingResponse()};
    client.statusAnswers = {Status::active};
    auto& pairing = makeController(store, watermarkStore);
    pairing.startPairing();
    ASSERT_TRUE(drainUntilIdle());
    EXPECT_EQ(englishOf(pairing.lastError()),
              "Paired, but failed to save credentials locally: credential store error 2: keyring is locked");
    EXPECT_EQ(appState.phase(), Phase::signedOut());
    EXPECT_EQ(store.loadDeviceId(), std::nullopt);
    EXPECT_EQ(completions, 0);
}

TEST_F(PairingControllerTest, ATokenThatCannotBeReadBackKeepsTheCodeOnScreen) {
    UnreliableCredentialStore store;
    store.tokenUnreadable = true;
    client.createAnswers = {pairingResponse("K7Q-4MX")};
    client.statusAnswers = {Status::active};
    auto& pairing = makeController(store, watermarkStore);
    pairing.startPairing();
    ASSERT_TRUE(drainUntilIdle());
    EXPECT_TRUE(appState.phase().isPairing());
    EXPECT_EQ(appState.phase().code(), "K7Q-4MX");
    EXPECT_EQ(completions, 1);
}

TEST_F(PairingControllerTest, TheKeyringAndTheDatabaseAreAskedOffTheMainThread) {
    // The keyring may answer late or show a prompt, and the database may be locked for seconds: the
    // main thread (here the test's, which drains the queue) only hears the outcome.
    UnreliableCredentialStore store;
    client.createAnswers = {pairingResponse()};
    client.statusAnswers = {Status::active};
    makeController(store, watermarkStore).startPairing();
    ASSERT_TRUE(drainUntilIdle());
    EXPECT_EQ(appState.phase(), Phase::running(Health::healthy()));
    EXPECT_NE(store.tokenSavedOn.load(), std::thread::id());
    EXPECT_NE(store.tokenSavedOn.load(), std::this_thread::get_id());
    EXPECT_NE(fdaCheckedOn.load(), std::this_thread::get_id());
}

TEST_F(PairingControllerTest, WatermarkAndDeviceIdFailuresAreLoggedAndPairingCompletes) {
    testing::LogCapture capture;
    UnreliableCredentialStore store;
    store.failDeviceIdSave = true;
    FailingResetWatermarkStore watermarks;
    client.createAnswers = {pairingResponse()};
    client.statusAnswers = {Status::active};
    makeController(store, watermarks).startPairing();
    ASSERT_TRUE(drainUntilIdle());
    EXPECT_TRUE(capture.contains("failed to reset sync watermark for new pairing: disk full", "Onboarding"));
    EXPECT_TRUE(capture.contains("failed to save device id after pairing: credential store error 3: no space",
                                 "Onboarding"));
    EXPECT_EQ(appState.phase(), Phase::running(Health::healthy()));
    EXPECT_EQ(completions, 1);
}

TEST_F(PairingControllerTest, DestroyingTheControllerStopsItsFlow) {
    client.createAnswers = {pairingResponse()};
    client.statusAnswers = {ScriptedPairingClient::Hang{Status::active}};
    makeController().startPairing();
    ASSERT_TRUE(client.waitUntilHanging());
    controller.reset();
    mainQueue.drain();
    EXPECT_FALSE(credentials.hasDeviceToken());
}

}  // namespace
}  // namespace kindora
