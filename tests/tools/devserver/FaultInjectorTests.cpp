#include <gtest/gtest.h>

#include "tools/devserver/FaultInjector.hpp"

namespace kindora::devserver {
namespace {

FaultRule rule(std::string endpoint, FaultKind kind, int count, int status = 500) {
    return FaultRule{std::move(endpoint), Fault{kind, status, "{}", 0}, count};
}

TEST(FaultInjector, AFaultHitsExactlyTheNextCountRequestsToItsEndpoint) {
    FaultInjector faults;
    faults.add(rule("ingest", FaultKind::status, 2, 503));
    EXPECT_FALSE(faults.take("heartbeat"));
    EXPECT_EQ(faults.take("ingest")->status, 503);
    EXPECT_EQ(faults.pending().at(0).remaining, 1);
    EXPECT_EQ(faults.take("ingest")->status, 503);
    EXPECT_FALSE(faults.take("ingest"));
    EXPECT_TRUE(faults.pending().empty());
}

TEST(FaultInjector, RulesApplyInTheOrderTheyWereAddedAndTheWildcardMatchesAnyEndpoint) {
    FaultInjector faults;
    faults.add(rule("*", FaultKind::malformed, 1));
    faults.add(rule("interrupts", FaultKind::drop, 1));
    EXPECT_EQ(faults.take("interrupts")->kind, FaultKind::malformed);
    EXPECT_EQ(faults.take("interrupts")->kind, FaultKind::drop);
    faults.add(rule("meetings", FaultKind::drop, 5));
    faults.clear();
    EXPECT_FALSE(faults.take("meetings"));
}

TEST(FaultInjector, RefusesRulesThatCouldNeverApplySensibly) {
    FaultInjector faults;
    EXPECT_THROW(faults.add(rule("ingest", FaultKind::status, 0)), std::invalid_argument);
    EXPECT_THROW(faults.add(rule("", FaultKind::status, 1)), std::invalid_argument);
    EXPECT_THROW(faults.add(rule("ingest", FaultKind::status, 1, 99)), std::invalid_argument);
    FaultRule delay = rule("ingest", FaultKind::delay, 1);
    delay.fault.delaySeconds = -1;
    EXPECT_THROW(faults.add(delay), std::invalid_argument);
    EXPECT_TRUE(faults.pending().empty());
}

TEST(FaultInjector, KindNamesReadBackAsTheirKind) {
    for (FaultKind kind :
         {FaultKind::status, FaultKind::delay, FaultKind::malformed, FaultKind::drop, FaultKind::unanswered}) {
        EXPECT_EQ(faultKindFromString(toString(kind)), kind);
    }
    EXPECT_FALSE(faultKindFromString("Drop"));
}

}  // namespace
}  // namespace kindora::devserver
