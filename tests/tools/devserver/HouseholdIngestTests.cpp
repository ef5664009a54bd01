#include <gtest/gtest.h>

#include "tests/support/VirtualTime.hpp"
#include "tests/tools/devserver/DevServerTestSupport.hpp"
#include "tools/devserver/Household.hpp"

namespace kindora::devserver {
namespace {

using testsupport::batch;
using testsupport::message;
using testsupport::readReport;

class HouseholdIngestTest : public ::testing::Test {
protected:
    HouseholdIngestTest() : household(time.clock(), identities, PairingPolicy{}) {
        const PairingCreateResponse created =
            household.createPairing(PairingCreateRequest{"mac", "macos", {}});
        household.confirmPairing(created.code);
        token = created.deviceToken;
        deviceId = created.deviceId;
        HouseholdRules rules;
        rules.keywords = {
            KeywordRule{"help", "Help wanted", InterruptUrgency::urgent, true, false, "help-group"}};
        rules.errorGuids = {"broken"};
        household.setRules(rules);
    }

    std::vector<StoredMessage> stored() { return household.snapshot().messages; }

    testing::VirtualTime time;
    IdentityGenerator identities = testsupport::countingIdentities();
    Household household;
    std::string token;
    std::string deviceId;
};

struct OutcomeCase {
    const char* name;
    std::optional<std::string> text;
    IngestOutcomeKind outcome;
};

class IngestOutcomeTest : public HouseholdIngestTest, public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(IngestOutcomeTest, EachMessageIsJudgedByTheHouseholdRules) {
    const IngestResponse response = household.ingest(token, batch({message("g1", GetParam().text)}));
    ASSERT_EQ(response.outcomes.size(), 1u);
    EXPECT_EQ(response.outcomes[0].outcome, GetParam().outcome);
    EXPECT_EQ(response.accepted, 1);
    ASSERT_EQ(stored().size(), 1u);
    EXPECT_EQ(stored()[0].deviceId, deviceId);
    EXPECT_EQ(stored()[0].outcome, GetParam().outcome);
}

INSTANTIATE_TEST_SUITE_P(Outcomes, IngestOutcomeTest,
                         ::testing::Values(OutcomeCase{"keyword", "can you HeLp me",
                                                       IngestOutcomeKind::raised},
                                           OutcomeCase{"plain", "see you at six", IngestOutcomeKind::noMatch},
                                           OutcomeCase{"noText", std::nullopt, IngestOutcomeKind::noMatch}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(HouseholdIngestTest, ARaisedMessageOpensAnAlertThatNamesTheSenderButNotTheText) {
    household.ingest(token, batch({message("g1", "help, the secret is 1234")}));
    const InterruptsResponse open = household.interrupts(token);
    ASSERT_EQ(open.interrupts.size(), 1u);
    const Interrupt& alert = open.interrupts[0];
    EXPECT_EQ(alert.title, "Help wanted");
    EXPECT_EQ(alert.urgency, InterruptUrgency::urgent);
    EXPECT_TRUE(alert.requiresResolution);
    EXPECT_FALSE(alert.canResolve);
    EXPECT_EQ(alert.groupKey, "help-group");
    EXPECT_EQ(alert.raisedAt, time.now());
    EXPECT_NE(alert.body.find("+15550100"), std::string::npos);
    EXPECT_EQ(alert.body.find("1234"), std::string::npos);
}

TEST_F(HouseholdIngestTest, AnErrorOutcomeEndsTheBatchAndKeepsNothingFromThereOn) {
    const IngestResponse response =
        household.ingest(token, batch({message("a"), message("broken"), message("c"), message("d")}));
    EXPECT_EQ(response.outcomes, (std::vector<IngestOutcome>{{"a", IngestOutcomeKind::noMatch},
                                                             {"broken", IngestOutcomeKind::error}}));
    EXPECT_EQ(response.accepted, 1);
    ASSERT_EQ(stored().size(), 1u);

    // The agent sends the failed message and the rest again; once the fault is lifted they are taken.
    HouseholdRules rules = household.rules();
    rules.errorGuids.clear();
    household.setRules(rules);
    const IngestResponse retried =
        household.ingest(token, batch({message("broken"), message("c"), message("d")}));
    EXPECT_EQ(retried.accepted, 3);
    EXPECT_EQ(stored().size(), 4u);
}

TEST_F(HouseholdIngestTest, ABatchWithAGuidAlreadyHeldIsRefusedWholeAsDuplicate) {
    household.ingest(token, batch({message("g1")}));
    const ApiError error = testsupport::apiErrorOf([&] {
        household.ingest(token, batch({message("new"), message("g1")}));
    });
    EXPECT_EQ(error.status(), 400);
    EXPECT_NE(std::string(error.what()).find("duplicate"), std::string::npos);
    EXPECT_EQ(stored().size(), 1u);
}

TEST_F(HouseholdIngestTest, ABatchNamingOneGuidTwiceOrAnEmptyGuidIsRefused) {
    for (const IngestRequest& request : {batch({message("x"), message("x")}), batch({message("")})}) {
        EXPECT_EQ(testsupport::apiErrorOf([&] { household.ingest(token, request); }).status(), 400);
    }
    EXPECT_TRUE(stored().empty());
}

TEST_F(HouseholdIngestTest, WithoutDuplicateRefusalARepeatedGuidGetsItsFirstOutcomeAndIsKeptOnce) {
    HouseholdRules rules = household.rules();
    rules.rejectDuplicates = false;
    household.setRules(rules);
    household.ingest(token, batch({message("g1", "help")}));
    const IngestResponse again = household.ingest(token, batch({message("g1", "help"), message("g2")}));
    EXPECT_EQ(again.outcomes, (std::vector<IngestOutcome>{{"g1", IngestOutcomeKind::raised},
                                                          {"g2", IngestOutcomeKind::noMatch}}));
    EXPECT_EQ(again.accepted, 1);
    EXPECT_EQ(stored().size(), 2u);
    EXPECT_EQ(household.interrupts(token).interrupts.size(), 1u);
}

TEST_F(HouseholdIngestTest, OldMessagesAreCountedStaleAndRaiseNothing) {
    HouseholdRules rules = household.rules();
    rules.staleAfterSeconds = 3600;
    household.setRules(rules);
    const IngestResponse response = household.ingest(
        token,
        batch({message("old", "help", time.now() + Seconds(-7200)), message("new", "help", time.now())}));
    EXPECT_EQ(response.stale, 1);
    EXPECT_EQ(response.outcomes[0].outcome, IngestOutcomeKind::noMatch);
    EXPECT_EQ(response.outcomes[1].outcome, IngestOutcomeKind::raised);
}

TEST_F(HouseholdIngestTest, ReadsAreCountedAndResolveTheAlertsTheirMessageRaised) {
    IngestMessage alreadyRead = message("seen");
    alreadyRead.isRead = true;
    household.ingest(token, batch({message("g1", "help"), message("g2"), alreadyRead}));
    ASSERT_EQ(household.interrupts(token).interrupts.size(), 1u);

    const IngestResponse first = household.ingest(token, readReport({"g1", "g2", "seen", "never-sent"}));
    EXPECT_TRUE(first.outcomes.empty());
    EXPECT_EQ(first.accepted, 0);
    EXPECT_EQ(first.alreadyRead, 1);
    EXPECT_EQ(first.resolved, 1);
    EXPECT_TRUE(household.interrupts(token).interrupts.empty());

    const IngestResponse second = household.ingest(token, readReport({"g1"}));
    EXPECT_EQ(second.alreadyRead, 1);
    EXPECT_EQ(second.resolved, 0);

    const std::vector<StoredRead> reads = household.snapshot().reads;
    ASSERT_EQ(reads.size(), 5u);
    EXPECT_EQ(reads[0].result, ReadResult::markedRead);
    EXPECT_EQ(reads[2].result, ReadResult::alreadyRead);
    EXPECT_EQ(reads[3].result, ReadResult::unknownMessage);
    EXPECT_EQ(reads[4].result, ReadResult::alreadyRead);
}

}  // namespace
}  // namespace kindora::devserver
