#include "core/lifecycle/SetupWizardController.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <unordered_set>
#include <vector>

#include "core/lifecycle/AccessGrantWatch.hpp"
#include "core/lifecycle/LaunchAtLoginFirstRun.hpp"
#include "tests/support/ManualMainQueue.hpp"
#include "tests/support/VirtualTime.hpp"

namespace kindora {
namespace {

using Step = std::optional<SetupStep>;

TEST(SetupStep, CountsDownAndPicksTheFirstStepFromTheFacts) {
    EXPECT_EQ(SetupStep(SetupStep::welcome).stepsRemaining(), 5);
    EXPECT_EQ(SetupStep(SetupStep::fullDiskAccess).stepsRemaining(), 4);
    EXPECT_EQ(SetupStep(SetupStep::pairing).stepsRemaining(), 3);
    EXPECT_EQ(SetupStep(SetupStep::preferences).stepsRemaining(), 2);
    EXPECT_EQ(SetupStep(SetupStep::done).stepsRemaining(), std::nullopt);
    EXPECT_EQ(SetupStep::totalStepCount, 5);

    EXPECT_EQ(SetupStep::next(false, false), SetupStep::welcome);
    EXPECT_EQ(SetupStep::next(false, true), SetupStep::fullDiskAccess);
    EXPECT_EQ(SetupStep::next(true, false), SetupStep::pairing);
    EXPECT_EQ(SetupStep::next(true, true), SetupStep::done);
    EXPECT_TRUE(SetupStep::isAlreadyFullySetUp(true, true));
    EXPECT_FALSE(SetupStep::isAlreadyFullySetUp(true, false));

    const std::unordered_set<SetupStep> steps{SetupStep::welcome, SetupStep::done, SetupStep::welcome};
    EXPECT_EQ(steps.size(), 2u);
}

struct RecomputeCase {
    const char* name;
    Step from;
    bool hasFDA;
    bool hasCredentials;
    Step to;
};

class RecomputeStep : public ::testing::TestWithParam<RecomputeCase> {};

TEST_P(RecomputeStep, MovesToTheStepTheFactsCallFor) {
    const auto& c = GetParam();
    SetupWizardController wizard(c.from);
    wizard.recomputeStep(c.hasFDA, c.hasCredentials);
    EXPECT_EQ(wizard.step(), c.to);
}

INSTANTIATE_TEST_SUITE_P(
    SetupWizardController, RecomputeStep,
    ::testing::Values(
        RecomputeCase{"ClosedStaysClosed", std::nullopt, true, true, std::nullopt},
        RecomputeCase{"WelcomeIsLeftOnlyByTheUser", SetupStep::welcome, true, false, SetupStep::welcome},
        RecomputeCase{"FdaStillMissing", SetupStep::fullDiskAccess, false, true, SetupStep::fullDiskAccess},
        RecomputeCase{"FdaGrantedGoesToPairing", SetupStep::fullDiskAccess, true, false, SetupStep::pairing},
        RecomputeCase{"FdaGrantedWithTokenSkipsPairing", SetupStep::fullDiskAccess, true, true,
                      SetupStep::preferences},
        RecomputeCase{"PairingLosesFda", SetupStep::pairing, false, false, SetupStep::fullDiskAccess},
        RecomputeCase{"PairingWaits", SetupStep::pairing, true, false, SetupStep::pairing},
        RecomputeCase{"PairedGoesToPreferences", SetupStep::pairing, true, true, SetupStep::preferences},
        RecomputeCase{"PreferencesLoseFda", SetupStep::preferences, false, true, SetupStep::fullDiskAccess},
        RecomputeCase{"PreferencesLoseToken", SetupStep::preferences, true, false, SetupStep::pairing},
        RecomputeCase{"PreferencesStay", SetupStep::preferences, true, true, SetupStep::preferences},
        RecomputeCase{"DoneAfterRevocation", SetupStep::done, true, false, SetupStep::pairing},
        RecomputeCase{"DoneStays", SetupStep::done, true, true, SetupStep::done}),
    [](const auto& testCase) { return testCase.param.name; });

TEST(SetupWizardController, OpensAtTheFirstStepOrReevaluatesAnOpenWizard) {
    SetupWizardController wizard;
    wizard.open(false, false);
    EXPECT_EQ(wizard.step(), SetupStep::welcome);
    wizard.open(true, false);
    EXPECT_EQ(wizard.step(), SetupStep::welcome);

    wizard.advanceFromWelcome();
    EXPECT_EQ(wizard.step(), SetupStep::fullDiskAccess);
    wizard.open(true, false);
    EXPECT_EQ(wizard.step(), SetupStep::pairing);
    wizard.advanceToDone();
    EXPECT_EQ(wizard.step(), SetupStep::done);
}

TEST(SetupWizardController, FinishCompletesOnceAndCloseDoesNot) {
    SetupWizardController wizard(SetupStep::done);
    int completions = 0;
    std::vector<Step> seen;
    wizard.setOnCompleted([&] { ++completions; });
    auto subscription = wizard.observeStep([&](const Step& step) { seen.push_back(step); });

    wizard.finish();
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(wizard.step(), std::nullopt);

    wizard.open(true, true);
    wizard.close();
    wizard.close();
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(seen, (std::vector<Step>{std::nullopt, SetupStep::done, std::nullopt}));
}

TEST(AccessGrantWatch, ChecksEveryTwoSecondsOnlyOnTheAccessStepAndSaysOnceAccessArrives) {
    testing::VirtualTime time;
    testing::ManualMainQueue mainQueue{time};
    std::atomic<bool> readable{false};
    std::atomic<int> checks{0};
    SetupWizardController wizard;
    AccessGrantWatch watch(wizard, mainQueue, [&] {
        ++checks;
        return readable.load();
    });
    const std::vector<double> nextCheckDue{AccessGrantWatch::checkInterval};
    // Runs what is due, on the main queue and off it, until the next check waits for its deadline.
    const auto nextCheckWaits = [&] { return mainQueue.drainUntil([&] { return mainQueue.pendingDelays() == nextCheckDue; }); };

    wizard.open(/*hasFDA=*/false, /*hasCredentials=*/false);  // the welcome step
    mainQueue.drain();
    EXPECT_EQ(checks.load(), 0);

    wizard.advanceFromWelcome();
    ASSERT_TRUE(nextCheckWaits());
    EXPECT_EQ(checks.load(), 1);
    time.advance(AccessGrantWatch::checkInterval);
    ASSERT_TRUE(nextCheckWaits());
    EXPECT_EQ(checks.load(), 2);
    EXPECT_FALSE(watch.grantDetected().value());

    readable = true;
    time.advance(AccessGrantWatch::checkInterval);
    ASSERT_TRUE(mainQueue.drainUntil([&] { return watch.grantDetected().value(); }));
    EXPECT_TRUE(mainQueue.pendingDelays().empty()) << "found once, it stops checking";
    EXPECT_EQ(checks.load(), 3);
    EXPECT_EQ(wizard.step(), SetupStep::fullDiskAccess) << "a grant takes effect only after a relaunch";

    // Leaving the step forgets it; coming back checks afresh, until the watch is stopped.
    wizard.close();
    EXPECT_FALSE(watch.grantDetected().value());
    readable = false;
    wizard.open(/*hasFDA=*/false, /*hasCredentials=*/true);
    ASSERT_EQ(wizard.step(), SetupStep::fullDiskAccess);
    ASSERT_TRUE(nextCheckWaits());
    EXPECT_EQ(checks.load(), 4);
    watch.stop();
    time.advance(AccessGrantWatch::checkInterval);
    mainQueue.drain();
    EXPECT_EQ(checks.load(), 4);
}

TEST(LaunchAtLoginFirstRun, RegistersOnlyOnAFirstRunThatIsNotEnabledYet) {
    using LaunchAtLoginFirstRun::decide;
    EXPECT_EQ(decide(false, false), (LaunchAtLoginFirstRunDecision{true, true}));
    EXPECT_EQ(decide(false, true), (LaunchAtLoginFirstRunDecision{false, true}));
    EXPECT_EQ(decide(true, false), (LaunchAtLoginFirstRunDecision{false, false}));
    EXPECT_EQ(decide(true, true), (LaunchAtLoginFirstRunDecision{false, false}));
}

}  // namespace
}  // namespace kindora
