#include "core/meetings/MeetingDisruptController.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/meetings/MeetingDecision.hpp"
#include "tests/meetings/MeetingTestSupport.hpp"
#include "tests/support/InMemoryMeetingLedgerStore.hpp"
#include "tests/support/InMemoryMeetingPreferencesStore.hpp"

namespace kindora {
namespace {

using testing::at;
using testing::meeting;

std::vector<std::string> ids(const std::vector<Meeting>& meetings) {
    std::vector<std::string> result;
    for (const auto& each : meetings) {
        result.push_back(each.id);
    }
    return result;
}

struct RelevanceRow {
    MeetingLeadTime leadTime;
    const char* now;
    bool relevant;
};

TEST(MeetingDecision, TheWindowRunsFromTheLeadTimeBeforeTheStartToFiveMinutesAfterIt) {
    const auto standup = meeting("m", at("2026-12-07T10:00:00Z"));
    const RelevanceRow rows[] = {
        {MeetingLeadTime::fifteenMinutes, "2026-12-07T09:44:59.999Z", false},
        {MeetingLeadTime::fifteenMinutes, "2026-12-07T09:45:00Z", true},
        {MeetingLeadTime::fiveMinutes, "2026-12-07T09:54:59Z", false},
        {MeetingLeadTime::fiveMinutes, "2026-12-07T09:55:00Z", true},
        {MeetingLeadTime::oneMinute, "2026-12-07T09:58:59Z", false},
        {MeetingLeadTime::oneMinute, "2026-12-07T09:59:00Z", true},
        {MeetingLeadTime::atStart, "2026-12-07T09:59:59Z", false},
        {MeetingLeadTime::atStart, "2026-12-07T10:00:00Z", true},
        {MeetingLeadTime::atStart, "2026-12-07T10:04:59.999Z", true},
        {MeetingLeadTime::fifteenMinutes, "2026-12-07T10:05:00Z", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(label(row.leadTime).source) + " at " + row.now);
        EXPECT_EQ(MeetingDecision::isRelevant(standup, row.leadTime, at(row.now)), row.relevant);
    }
}

TEST(MeetingDecision, TheEndTimePlaysNoPart) {
    auto shortOne = meeting("m", at("2026-12-07T10:00:00Z"));
    shortOne.endsAt = at("2026-12-07T10:01:00Z");
    EXPECT_TRUE(MeetingDecision::isRelevant(shortOne, MeetingLeadTime::atStart, at("2026-12-07T10:03:00Z")));
}

TEST(MeetingDecision, ChoosesTheEarliestUnpresentedRelevantMeetingWithTiesToTheFirstID) {
    const Date ten = at("2026-12-07T10:00:00Z");
    const MeetingPreferences on{true, MeetingLeadTime::fiveMinutes, false, false};
    const Date now = at("2026-12-07T09:58:00Z");
    const std::vector<Meeting> meetings{meeting("b", ten), meeting("a", ten),
                                        meeting("later", ten + Seconds(60)),
                                        meeting("earlier-but-out", ten + Seconds(-400))};
    EXPECT_EQ(MeetingDecision::decide(meetings, {}, on, now)->id, "earlier-but-out");
    EXPECT_EQ(MeetingDecision::decide(meetings, {"earlier-but-out"}, on, now)->id, "a");
    EXPECT_EQ(MeetingDecision::decide(meetings, {"earlier-but-out", "a"}, on, now)->id, "b");
    EXPECT_EQ(MeetingDecision::decide(meetings, {"earlier-but-out", "a", "b"}, on, now)->id, "later");

    auto off = on;
    off.isDisruptEnabled = false;
    EXPECT_FALSE(MeetingDecision::decide(meetings, {}, off, now));
}

class MeetingDisruptControllerTest : public ::testing::Test {
protected:
    const Date ten = at("2026-12-07T10:00:00Z");
    testing::VirtualTime time{at("2026-12-07T09:50:00Z")};
    testing::ManualMainQueue queue{time};
    InMemoryMeetingPreferencesStore preferencesStore{
        MeetingPreferences{true, MeetingLeadTime::fiveMinutes, false, false}};
    InMemoryMeetingLedgerStore ledgerStore;
    std::optional<MeetingPresentationLedger> ledger{std::in_place, ledgerStore, time.nowFunction()};
    std::optional<MeetingDisruptController> controller{std::in_place, preferencesStore, *ledger,
                                                       time.nowFunction(), queue};
    testing::BoundaryStepper stepper{time, queue};

    void poll(std::vector<Meeting> meetings) {
        controller->handleMeetings(MeetingsResponse{std::move(meetings)});
        stepper.settle();
    }

    // A new process: the ledger is read back from its store, nothing else survives.
    void restart() {
        controller.reset();
        ledger.emplace(ledgerStore, time.nowFunction());
        controller.emplace(preferencesStore, *ledger, time.nowFunction(), queue);
    }
};

TEST_F(MeetingDisruptControllerTest, TheBoundaryDeadlinesOpenAndCloseTheWindowWithoutAPoll) {
    poll({meeting("m", ten)});
    EXPECT_EQ(queue.pendingDelays(), std::vector<double>{300}) << "one deadline, at the window's opening";
    stepper.stepTo(at("2026-12-07T09:54:59Z"));
    EXPECT_TRUE(controller->presentedMeetings().empty());
    stepper.stepTo(at("2026-12-07T09:55:00Z"));
    EXPECT_EQ(ids(controller->presentedMeetings()), std::vector<std::string>{"m"});
    EXPECT_EQ(controller->claimedMeetingID(), "m");
    EXPECT_TRUE(ledger->hasPresented("m"));
    EXPECT_EQ(queue.pendingDelays(), std::vector<double>{600}) << "the next one at its end";
    stepper.stepTo(at("2026-12-07T10:04:59Z"));
    EXPECT_EQ(ids(controller->presentedMeetings()), std::vector<std::string>{"m"});
    stepper.stepTo(at("2026-12-07T10:05:00Z"));
    EXPECT_TRUE(controller->presentedMeetings().empty());
    EXPECT_EQ(controller->claimedMeetingID(), std::nullopt);
    EXPECT_FALSE(controller->hasPendingBoundary());
}

TEST_F(MeetingDisruptControllerTest, TwoMeetingsAtOneStartPresentTheFirstIDWithTheOtherAsCompanion) {
    time.advance(300);
    poll({meeting("b", ten), meeting("a", ten), meeting("c", ten + Seconds(60))});
    EXPECT_EQ(ids(controller->presentedMeetings()), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(controller->presentedMeeting()->id, "a");
    EXPECT_EQ(ledger->presentedIDs(), (std::set<std::string>{"a", "b"}));
    // "c" opens its window a minute later but the claim on "a" holds it back until "a"'s window ends.
    stepper.stepTo(at("2026-12-07T10:04:00Z"));
    EXPECT_EQ(controller->claimedMeetingID(), "a");
    stepper.stepTo(at("2026-12-07T10:05:00Z"));
    EXPECT_EQ(ids(controller->presentedMeetings()), std::vector<std::string>{"c"});
}

TEST_F(MeetingDisruptControllerTest, AMeetingInTheLedgerIsNotPresentedAgainAfterARestart) {
    time.advance(300);
    poll({meeting("m", ten)});
    ASSERT_EQ(controller->presentedMeeting()->id, "m");
    time.advance(60);
    restart();
    poll({meeting("m", ten)});
    EXPECT_TRUE(controller->presentedMeetings().empty());
    EXPECT_EQ(controller->claimedMeetingID(), std::nullopt);
}

TEST_F(MeetingDisruptControllerTest, AnAlertHoldsTheTakeoverBackAndReleasesItWhileStillInTheWindow) {
    poll({meeting("m", ten)});
    controller->setAlertInterruptPresenting(true);
    stepper.stepTo(at("2026-12-07T09:55:00Z"));
    EXPECT_TRUE(controller->presentedMeetings().empty());
    EXPECT_FALSE(ledger->hasPresented("m"));
    poll({meeting("m", ten)});  // a poll while the alert shows changes nothing
    EXPECT_TRUE(controller->presentedMeetings().empty());

    time.advance(120);
    controller->setAlertInterruptPresenting(false);
    stepper.settle();
    EXPECT_EQ(ids(controller->presentedMeetings()), std::vector<std::string>{"m"});
    EXPECT_TRUE(ledger->hasPresented("m"));
}

TEST_F(MeetingDisruptControllerTest, AnAlertOrDoNotDisturbOverATakeoverHidesItAndItComesBackInItsWindow) {
    time.advance(300);
    poll({meeting("m", ten)});
    ASSERT_EQ(ids(controller->presentedMeetings()), std::vector<std::string>{"m"});
    controller->setAlertInterruptPresenting(true);
    EXPECT_TRUE(controller->presentedMeetings().empty());
    controller->setAlertInterruptPresenting(false);
    EXPECT_EQ(ids(controller->presentedMeetings()), std::vector<std::string>{"m"});
    controller->setDNDActive(true);
    EXPECT_TRUE(controller->presentedMeetings().empty());
    EXPECT_FALSE(controller->hasPendingBoundary());
    time.advance(600);  // do-not-disturb outlasts the window
    controller->setDNDActive(false);
    stepper.settle();
    EXPECT_TRUE(controller->presentedMeetings().empty());
}

TEST_F(MeetingDisruptControllerTest, ADismissedTakeoverStaysHiddenForTheRestOfItsWindow) {
    time.advance(300);
    poll({meeting("b", ten), meeting("a", ten)});
    controller->dismiss(meeting("a", ten));
    EXPECT_EQ(ids(controller->presentedMeetings()), std::vector<std::string>{"b"});
    controller->dismiss(meeting("b", ten));
    poll({meeting("b", ten), meeting("a", ten)});
    EXPECT_TRUE(controller->presentedMeetings().empty());
    EXPECT_EQ(controller->claimedMeetingID(), "a");
    controller->setAlertInterruptPresenting(true);
    controller->setAlertInterruptPresenting(false);
    EXPECT_TRUE(controller->presentedMeetings().empty());
}

TEST_F(MeetingDisruptControllerTest, JoiningRemovesTheMeetingAndEverySameStartCompanion) {
    time.advance(300);
    poll({meeting("b", ten), meeting("a", ten), meeting("c", ten + Seconds(120))});
    ASSERT_EQ(ids(controller->presentedMeetings()), (std::vector<std::string>{"a", "b"}));
    controller->markJoined("b", ten);
    EXPECT_TRUE(controller->presentedMeetings().empty());
    poll({meeting("b", ten), meeting("a", ten), meeting("c", ten + Seconds(120))});
    EXPECT_TRUE(controller->presentedMeetings().empty());
    // A meeting with another start still gets its takeover once the claim's window is over.
    stepper.stepTo(at("2026-12-07T10:05:00Z"));
    EXPECT_EQ(ids(controller->presentedMeetings()), std::vector<std::string>{"c"});
}

TEST_F(MeetingDisruptControllerTest, JoiningWithoutAStartStillRemovesTheSameStartCompanions) {
    time.advance(300);
    poll({meeting("b", ten), meeting("a", ten)});
    controller->markJoined("a", std::nullopt);
    EXPECT_TRUE(controller->presentedMeetings().empty());
}

TEST_F(MeetingDisruptControllerTest, AJoinedMeetingIsNotTakenOverLaterInTheRun) {
    controller->markJoined("m", std::nullopt);
    poll({meeting("m", ten), meeting("copy", ten + Seconds(30))});
    stepper.stepTo(at("2026-12-07T09:56:00Z"));
    EXPECT_EQ(ids(controller->presentedMeetings()), std::vector<std::string>{"copy"});

    controller->markJoined("copy", ten + Seconds(30));
    poll({meeting("m", ten), meeting("copy", ten + Seconds(30)), meeting("twin", ten + Seconds(30))});
    stepper.stepTo(at("2026-12-07T10:10:00Z"));
    EXPECT_FALSE(ledger->hasPresented("twin"));
}

TEST_F(MeetingDisruptControllerTest, SwitchingTheTakeoverOffClearsItAndSavesOnlyRealChanges) {
    time.advance(300);
    poll({meeting("m", ten)});
    auto preferences = controller->preferences();
    controller->setPreferences(preferences);
    EXPECT_EQ(preferencesStore.saveCount(), 0);

    preferences.isDisruptEnabled = false;
    std::vector<MeetingPreferences> observed;
    auto subscription =
        controller->observePreferences([&](const MeetingPreferences& value) { observed.push_back(value); });
    controller->setPreferences(preferences);
    EXPECT_EQ(preferencesStore.saveCount(), 1);
    EXPECT_EQ(preferencesStore.load(), preferences);
    EXPECT_EQ(observed, std::vector<MeetingPreferences>{preferences});
    EXPECT_TRUE(controller->presentedMeetings().empty());
    EXPECT_EQ(controller->claimedMeetingID(), std::nullopt);
    EXPECT_FALSE(controller->hasPendingBoundary());
}

TEST_F(MeetingDisruptControllerTest, ALongerLeadTimeTakesEffectAtOnce) {
    poll({meeting("m", ten)});
    EXPECT_TRUE(controller->presentedMeetings().empty());
    auto preferences = controller->preferences();
    preferences.leadTime = MeetingLeadTime::fifteenMinutes;
    controller->setPreferences(preferences);
    stepper.settle();
    EXPECT_EQ(ids(controller->presentedMeetings()), std::vector<std::string>{"m"});
}

TEST_F(MeetingDisruptControllerTest, AMeetingGoneFromThePollEndsTheClaim) {
    time.advance(300);
    poll({meeting("m", ten)});
    poll({});
    EXPECT_TRUE(controller->presentedMeetings().empty());
    EXPECT_EQ(controller->claimedMeetingID(), std::nullopt);
    EXPECT_FALSE(controller->hasPendingBoundary());
}

TEST_F(MeetingDisruptControllerTest, ObserversSeeEachChangeOfThePresentedMeetingsOnce) {
    std::vector<std::vector<std::string>> seen;
    auto subscription = controller->observePresentedMeetings(
        [&](const std::vector<Meeting>& meetings) { seen.push_back(ids(meetings)); });
    poll({meeting("m", ten)});
    stepper.stepTo(at("2026-12-07T10:06:00Z"));
    EXPECT_EQ(seen, (std::vector<std::vector<std::string>>{{"m"}, {}}));
}

TEST_F(MeetingDisruptControllerTest, DestroyingTheControllerDropsItsPendingBoundary) {
    std::vector<std::vector<std::string>> seen;
    poll({meeting("m", ten)});
    {
        auto subscription = controller->observePresentedMeetings(
            [&](const std::vector<Meeting>& meetings) { seen.push_back(ids(meetings)); });
        ASSERT_TRUE(controller->hasPendingBoundary());
        EXPECT_EQ(queue.pendingDelays(), std::vector<double>{300});
    }
    controller.reset();
    time.advance(3600);
    EXPECT_EQ(queue.drain(), 1u) << "the deadline comes due";
    EXPECT_TRUE(seen.empty()) << "and runs nothing";
}

}  // namespace
}  // namespace kindora
