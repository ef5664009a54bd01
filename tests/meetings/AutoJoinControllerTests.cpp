#include "core/meetings/AutoJoinController.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <vector>

#include "tests/meetings/MeetingTestSupport.hpp"
#include "tests/support/InMemoryMeetingLedgerStore.hpp"
#include "tests/support/InMemoryMeetingPreferencesStore.hpp"
#include "tests/support/LogCapture.hpp"

namespace kindora {
namespace {

using testing::at;
using testing::meeting;

class AutoJoinControllerTest : public ::testing::Test {
protected:
    const Date ten = at("2026-12-07T10:00:00Z");
    testing::VirtualTime time{at("2026-12-07T09:58:00Z")};
    testing::ManualMainQueue queue{time};
    testing::LogCapture logs;
    InMemoryMeetingPreferencesStore preferencesStore{
        MeetingPreferences{true, MeetingLeadTime::oneMinute, true, false}};
    InMemoryMeetingLedgerStore ledgerStore;
    std::vector<std::string> opened;
    std::vector<std::string> joined;
    bool inCall = false;
    int probeCalls = 0;
    std::optional<MeetingPresentationLedger> ledger{std::in_place, ledgerStore, time.nowFunction()};
    std::optional<AutoJoinController> controller;
    testing::BoundaryStepper stepper{time, queue, {}, [this] { return controller && controller->isProbing(); }};

    void SetUp() override { launch(); }

    void launch() {
        controller.reset();
        ledger.emplace(ledgerStore, time.nowFunction());
        controller.emplace(
            preferencesStore, *ledger, time.nowFunction(), MeetingPresenceProbe([this] {
                ++probeCalls;
                return inCall;
            }),
            [this](const std::string& url) { opened.push_back(url); }, queue);
        controller->setOnDidJoin([this](const Meeting& meeting) { joined.push_back(meeting.id); });
    }

    void poll(std::vector<Meeting> meetings) {
        controller->handleMeetings(MeetingsResponse{std::move(meetings)});
        stepper.settle();
    }

    void setPreferences(bool disrupt, bool autoJoin, bool presence) {
        preferencesStore.save(MeetingPreferences{disrupt, MeetingLeadTime::oneMinute, autoJoin, presence});
    }
};

TEST_F(AutoJoinControllerTest, OpensTheLinkAtTheExactStartWithoutAPoll) {
    poll({meeting("m", ten)});
    stepper.stepTo(ten + Seconds(-0.5));
    EXPECT_TRUE(opened.empty());
    stepper.stepTo(ten);
    EXPECT_EQ(opened, std::vector<std::string>{"https://acme.zoom.us/j/m"});
    EXPECT_EQ(joined, std::vector<std::string>{"m"});
    EXPECT_TRUE(ledger->hasPresented("m"));
    EXPECT_EQ(logs.count("auto-join: joined meeting m", "Meetings"), 1u);
    poll({meeting("m", ten)});
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(logs.count("auto-join: skipped meeting m"), 0u);
}

TEST_F(AutoJoinControllerTest, WithTheTakeoverOffNothingOpensAndTheSkipIsGateOff) {
    setPreferences(false, true, false);
    poll({meeting("m", ten)});
    EXPECT_FALSE(controller->hasPendingBoundary());
    time.advance(120);
    poll({meeting("m", ten)});
    poll({meeting("m", ten)});
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(logs.count("auto-join: skipped meeting m reason=gate-off", "Meetings"), 1u);
}

TEST_F(AutoJoinControllerTest, TwoCalendarCopiesOpenOneWindowAndTheOtherIsLoggedAsAGroupedDuplicate) {
    const std::vector<Meeting> copies{meeting("work", ten, MeetingProvider::zoom, "https://zoom.us/j/42"),
                                      meeting("home", ten, MeetingProvider::zoom, "https://zoom.us/j/42")};
    poll(copies);
    stepper.stepTo(ten + Seconds(100));
    poll(copies);
    EXPECT_EQ(opened, std::vector<std::string>{"https://zoom.us/j/42"});
    EXPECT_EQ(joined, std::vector<std::string>{"home"});
    EXPECT_EQ(logs.count("auto-join: skipped meeting work reason=grouped-duplicate"), 1u);
    launch();
    poll(copies);
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(AutoJoinControllerTest, ARelaunchAfterJoiningOpensNothingAgain) {
    poll({meeting("m", ten)});
    stepper.stepTo(ten);
    ASSERT_EQ(opened.size(), 1u);
    stepper.stepTo(ten + Seconds(60));
    launch();
    poll({meeting("m", ten)});
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(logs.count("reason=already-joined"), 1u);
}

TEST_F(AutoJoinControllerTest, WhileInACallTheJoinIsHeldAndRecheckedUntilTheWindowIsMissed) {
    setPreferences(true, true, true);
    inCall = true;
    poll({meeting("m", ten)});
    EXPECT_EQ(probeCalls, 0) << "nothing is due two minutes before the start: the sound server is not asked";
    stepper.stepTo(ten + Seconds(119));
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(logs.count("auto-join: skipped meeting m reason=already-in-meeting", "Meetings"), 1u);
    EXPECT_EQ(logs.count("reason=missed-window"), 0u);
    stepper.stepTo(ten + Seconds(120));
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(logs.count("auto-join: skipped meeting m reason=missed-window", "Meetings"), 1u);
    EXPECT_FALSE(controller->hasPendingBoundary());
    // A deadline at the start, then a look every 15 seconds, the last one ending the grace; the guess is
    // asked at the start and at each look inside the grace.
    EXPECT_EQ(queue.requestedDelays(), (std::vector<double>{120, 15, 15, 15, 15, 15, 15, 15, 15}));
    EXPECT_EQ(probeCalls, 8);
}

TEST_F(AutoJoinControllerTest, TheCallEndingWithinTheGraceLetsTheJoinHappenAtTheNextRecheck) {
    setPreferences(true, true, true);
    inCall = true;
    poll({meeting("m", ten)});
    stepper.stepTo(ten + Seconds(20));
    inCall = false;
    stepper.stepTo(ten + Seconds(30));
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(AutoJoinControllerTest, TheInACallGuessIsAskedOffTheMainThreadAndTheJoinWaitsForItsAnswer) {
    setPreferences(true, true, true);
    std::promise<void> answer;
    const std::shared_future<void> answered = answer.get_future().share();
    std::atomic<int> asked{0};
    controller.emplace(
        preferencesStore, *ledger, time.nowFunction(), MeetingPresenceProbe([&] {
            ++asked;
            answered.wait();  // a sound server that is slow to answer
            return false;
        }),
        [this](const std::string& url) { opened.push_back(url); }, queue);
    time.advance(120);

    // The polls return while the guess is still out, and a second one does not ask again.
    controller->handleMeetings(MeetingsResponse{{meeting("m", ten)}});
    controller->handleMeetings(MeetingsResponse{{meeting("m", ten)}});
    EXPECT_TRUE(controller->isProbing());
    EXPECT_TRUE(opened.empty());

    answer.set_value();
    ASSERT_TRUE(queue.drainUntil([&] { return !controller->isProbing(); }));
    EXPECT_EQ(opened, std::vector<std::string>{"https://acme.zoom.us/j/m"});
    EXPECT_EQ(asked, 1);
}

TEST_F(AutoJoinControllerTest, TheProbeIsAskedOnlyWhenPresenceSuppressionIsOn) {
    inCall = true;
    poll({meeting("m", ten)});
    stepper.stepTo(ten);
    EXPECT_EQ(probeCalls, 0);
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(AutoJoinControllerTest, ThePanelsJoinButtonIsRecordedAsJoinedManuallyAndNothingOpensAtStart) {
    const auto standup = meeting("m", ten);
    poll({standup});
    EXPECT_TRUE(controller->isArmed(standup));
    controller->suppress(standup, AutoJoinSuppression::joinedManually);
    stepper.settle();
    EXPECT_FALSE(controller->isArmed(standup));
    EXPECT_TRUE(ledger->hasPresented("m"));
    EXPECT_EQ(logs.count("auto-join: suppressed meeting m reason=joined-manually", "Meetings"), 1u);
    stepper.stepTo(ten + Seconds(200));
    poll({standup});
    EXPECT_TRUE(opened.empty());

    const auto later = meeting("later", ten + Seconds(3600));
    poll({later});
    controller->suppress(later, AutoJoinSuppression::declined);
    stepper.settle();
    EXPECT_EQ(logs.count("auto-join: suppressed meeting later reason=declined", "Meetings"), 1u);
    EXPECT_FALSE(controller->hasPendingBoundary());
}

TEST_F(AutoJoinControllerTest, ArmedFollowsTheSwitchesTheLinkAndTheGrace) {
    const auto standup = meeting("m", ten);
    const auto unusable = meeting("u", ten, MeetingProvider::other);
    poll({standup, unusable});
    EXPECT_TRUE(controller->isArmed(standup));
    EXPECT_FALSE(controller->isArmed(unusable));
    setPreferences(true, false, false);
    EXPECT_FALSE(controller->isArmed(standup));
    setPreferences(false, true, false);
    EXPECT_FALSE(controller->isArmed(standup));
    setPreferences(true, true, false);
    time.advance(240);
    EXPECT_FALSE(controller->isArmed(standup));
}

TEST_F(AutoJoinControllerTest, ASaveFailureOfTheLedgerStillOpensOnceInThisRun) {
    class BrokenStore final : public MeetingLedgerStore {
    public:
        std::optional<MeetingLedgerState> load() const override { return std::nullopt; }
        void save(const MeetingLedgerState&) override { throw std::runtime_error("read-only file system"); }
    } broken;
    controller.reset();
    ledger.emplace(broken, time.nowFunction());
    controller.emplace(
        preferencesStore, *ledger, time.nowFunction(), MeetingPresenceProbe(nullptr),
        [this](const std::string& url) { opened.push_back(url); }, queue);
    poll({meeting("m", ten)});
    stepper.stepTo(ten + Seconds(90));
    poll({meeting("m", ten)});
    EXPECT_EQ(opened.size(), 1u);
    controller.reset();
}

}  // namespace
}  // namespace kindora
