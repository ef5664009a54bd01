#include <gtest/gtest.h>

#include "tests/support/VirtualTime.hpp"
#include "tests/tools/devserver/DevServerTestSupport.hpp"
#include "tools/devserver/ApiError.hpp"
#include "tools/devserver/Household.hpp"

namespace kindora::devserver {
namespace {

class HouseholdPairingTest : public ::testing::Test {
protected:
    explicit HouseholdPairingTest(PairingPolicy policy = {600, 2, std::nullopt})
        : household(time.clock(), identities, policy) {}

    PairingCreateResponse pair() {
        return household.createPairing(PairingCreateRequest{"kitchen-mac", "macos", "1.2"});
    }

    testing::VirtualTime time;
    IdentityGenerator identities = testsupport::countingIdentities();
    Household household;
};

TEST_F(HouseholdPairingTest, ANewPairingIsPendingUntilItsCodeIsConfirmed) {
    const PairingCreateResponse created = pair();
    EXPECT_EQ(created.pollIntervalSeconds, 2);
    EXPECT_EQ(created.expiresAt, time.now() + Seconds(600));
    EXPECT_EQ(household.pairingStatus(created.deviceToken).status, PairingStatusValue::pending);
    EXPECT_EQ(testsupport::apiErrorOf([&] { household.authenticate(created.deviceToken); }).status(), 403);

    const Device confirmed = household.confirmPairing(created.code);
    EXPECT_EQ(confirmed.id, created.deviceId);
    EXPECT_EQ(household.pairingStatus(created.deviceToken).status, PairingStatusValue::active);
    EXPECT_EQ(household.authenticate(created.deviceToken), created.deviceId);
}

TEST_F(HouseholdPairingTest, ACodeIsConfirmedWhateverItsLetterCaseAndHyphen) {
    const PairingCreateResponse created = pair();
    std::string typed;
    for (char c : created.code) {
        if (c != '-') {
            typed += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    EXPECT_EQ(household.confirmPairing(" " + typed + " ").state, DeviceState::active);
}

TEST_F(HouseholdPairingTest, AnUnconfirmedCodeExpiresAndCanNoLongerBeConfirmed) {
    const PairingCreateResponse created = pair();
    time.advance(599);
    EXPECT_EQ(household.pairingStatus(created.deviceToken).status, PairingStatusValue::pending);
    time.advance(1);
    EXPECT_EQ(household.pairingStatus(created.deviceToken).status, PairingStatusValue::expired);
    EXPECT_EQ(testsupport::apiErrorOf([&] { household.confirmPairing(created.code); }).status(), 410);
    EXPECT_EQ(testsupport::apiErrorOf([&] { household.authenticate(created.deviceToken); }).status(), 403);
}

TEST_F(HouseholdPairingTest, ConfirmationRefusesUnknownAndUsedCodes) {
    const PairingCreateResponse created = pair();
    EXPECT_EQ(testsupport::apiErrorOf([&] { household.confirmPairing("ZZZ-ZZZ"); }).status(), 404);
    EXPECT_EQ(testsupport::apiErrorOf([&] { household.confirmPairing(""); }).status(), 404);
    household.confirmPairing(created.code);
    EXPECT_EQ(testsupport::apiErrorOf([&] { household.confirmPairing(created.code); }).status(), 409);
}

TEST_F(HouseholdPairingTest, ARevokedDeviceHearsRevokedOnEveryAuthenticatedCall) {
    const PairingCreateResponse created = pair();
    household.confirmPairing(created.code);
    household.revokeDevice(created.deviceId);

    EXPECT_EQ(household.pairingStatus(created.deviceToken).status, PairingStatusValue::revoked);
    const ApiError error = testsupport::apiErrorOf([&] { household.interrupts(created.deviceToken); });
    EXPECT_EQ(error.status(), 401);
    EXPECT_EQ(error.statusWord(), "revoked");
    EXPECT_EQ(testsupport::apiErrorOf([&] { household.meetings(created.deviceToken); }).statusWord(),
              "revoked");
    EXPECT_EQ(testsupport::apiErrorOf([&] { household.heartbeat(created.deviceToken, {}); }).statusWord(),
              "revoked");
    EXPECT_EQ(testsupport::apiErrorOf([&] { household.ingest(created.deviceToken, {}); }).statusWord(),
              "revoked");
    EXPECT_EQ(testsupport::apiErrorOf([&] { household.revokeDevice("no-such-device"); }).status(), 404);
}

TEST_F(HouseholdPairingTest, UnknownOrMissingTokensAreRefusedWithoutSayingRevoked) {
    for (const char* token : {"", "kdt_not-a-real-token"}) {
        const ApiError error = testsupport::apiErrorOf([&] { household.authenticate(token); });
        EXPECT_EQ(error.status(), 401) << token;
        EXPECT_FALSE(error.statusWord().has_value()) << token;
        EXPECT_EQ(testsupport::apiErrorOf([&] { household.pairingStatus(token); }).status(), 401) << token;
    }
}

TEST_F(HouseholdPairingTest, TheHouseholdKeepsOnlyADigestOfEachToken) {
    const PairingCreateResponse created = pair();
    const HouseholdSnapshot snapshot = household.snapshot();
    ASSERT_EQ(snapshot.devices.size(), 1u);
    EXPECT_EQ(snapshot.devices[0].tokenDigest.size(), 64u);
    EXPECT_EQ(snapshot.devices[0].tokenDigest.find(created.deviceToken), std::string::npos);
    EXPECT_NE(created.deviceToken.find("kdt_"), std::string::npos);
}

TEST_F(HouseholdPairingTest, HeartbeatsRecordTheCursorAndDeliverQueuedCommandsOnce) {
    const PairingCreateResponse created = pair();
    household.confirmPairing(created.code);
    household.queueCommand(created.deviceId, "refresh");
    household.queueCommand(std::nullopt, "collect-logs");

    const HeartbeatResponse first = household.heartbeat(created.deviceToken, HeartbeatRequest{"42", "1.3"});
    EXPECT_EQ(first.status, "ok");
    EXPECT_EQ(first.commands, (std::vector<AgentCommand>{AgentCommand::unknown("refresh"),
                                                         AgentCommand::unknown("collect-logs")}));
    EXPECT_TRUE(household.heartbeat(created.deviceToken, {}).commands.empty());

    const Device device = household.snapshot().devices.at(0);
    EXPECT_EQ(device.cursor, "42");
    EXPECT_EQ(device.agentVersion, "1.3");
    EXPECT_EQ(device.lastSeenAt, time.now());
    EXPECT_EQ(testsupport::apiErrorOf([&] { household.queueCommand("no-such-device", "x"); }).status(), 404);
}

class DemoPairingTest : public HouseholdPairingTest {
protected:
    DemoPairingTest() : HouseholdPairingTest(PairingPolicy{600, 2, 3.0}) {}
};

TEST_F(DemoPairingTest, APairingConfirmsItselfAfterTheDemoDelay) {
    const PairingCreateResponse created = pair();
    time.advance(2.9);
    EXPECT_EQ(household.pairingStatus(created.deviceToken).status, PairingStatusValue::pending);
    time.advance(0.1);
    EXPECT_EQ(household.pairingStatus(created.deviceToken).status, PairingStatusValue::active);
    EXPECT_EQ(household.snapshot().devices.at(0).confirmedAt, time.now());
}

}  // namespace
}  // namespace kindora::devserver
