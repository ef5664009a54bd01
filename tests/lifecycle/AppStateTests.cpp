#include "core/lifecycle/AppState.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace kindora {
namespace {

const Date expiry = dateFromSecondsSinceEpoch(1'900'000'000);

struct RecomputeCase {
    const char* name;
    Phase before;
    bool hasCredentials;
    bool fdaOK;
    Phase after;
};

class RecomputePhase : public ::testing::TestWithParam<RecomputeCase> {};

TEST_P(RecomputePhase, DerivesThePhaseFromCredentialsAndAccess) {
    const auto& c = GetParam();
    AppState state(c.before);
    state.recomputePhase(c.hasCredentials, c.fdaOK);
    EXPECT_EQ(state.phase(), c.after) << describe(state.phase());
}

INSTANTIATE_TEST_SUITE_P(
    AppState, RecomputePhase,
    ::testing::Values(
        RecomputeCase{"SignedOutWithoutToken", Phase::signedOut(), false, true, Phase::signedOut()},
        RecomputeCase{"RunningLosesToken", Phase::running(Health::healthy()), false, true,
                      Phase::signedOut()},
        RecomputeCase{"PairingKeepsItsCode", Phase::pairing("ABC-123", expiry), false, true,
                      Phase::pairing("ABC-123", expiry)},
        RecomputeCase{"PairingWithoutAccessIsFdaMissing", Phase::pairing("ABC-123", expiry), true, false,
                      Phase::fdaMissing()},
        RecomputeCase{"TokenWithoutAccess", Phase::signedOut(), true, false, Phase::fdaMissing()},
        RecomputeCase{"AccessGrantedStartsHealthy", Phase::fdaMissing(), true, true,
                      Phase::running(Health::healthy())},
        RecomputeCase{"DegradedHealthIsKept", Phase::running(Health::degraded(UserText::verbatim("Heartbeat failing"))), true,
                      true, Phase::running(Health::degraded(UserText::verbatim("Heartbeat failing")))},
        RecomputeCase{"PairingCompletes", Phase::pairing("ABC-123", expiry), true, true,
                      Phase::running(Health::healthy())}),
    [](const auto& testCase) { return testCase.param.name; });

TEST(AppState, NotifiesOnlyRealChanges) {
    AppState state;
    std::vector<Phase> seen;
    auto subscription = state.observePhase([&](const Phase& phase) { seen.push_back(phase); });

    state.setPhase(Phase::signedOut());
    state.setPhase(Phase::pairing("ABC-123", expiry));
    state.setPhase(Phase::pairing("ABC-123", expiry));
    state.setPhase(Phase::pairing("XYZ-999", expiry));
    state.setPhase(Phase::running(Health::degraded(UserText::verbatim("a"))));
    state.setPhase(Phase::running(Health::degraded(UserText::verbatim("b"))));
    state.recomputePhase(true, true);

    EXPECT_EQ(seen, (std::vector<Phase>{Phase::pairing("ABC-123", expiry), Phase::pairing("XYZ-999", expiry),
                                        Phase::running(Health::degraded(UserText::verbatim("a"))),
                                        Phase::running(Health::degraded(UserText::verbatim("b")))}));
}

TEST(Phase, PayloadsTakePartInEquality) {
    EXPECT_NE(Phase::pairing("A", expiry), Phase::pairing("A", expiry + Seconds(1)));
    EXPECT_NE(Phase::running(Health::healthy()), Phase::running(Health::degraded(UserText::verbatim(""))));
    EXPECT_NE(Phase::signedOut(), Phase::fdaMissing());
    EXPECT_EQ(describe(Phase::running(Health::degraded(UserText::verbatim("offline")))), "running(degraded: offline)");
}

}  // namespace
}  // namespace kindora
