// When the panel controllers show, refresh and hide their windows, play the sound and log, over the
// real controllers they observe.
#include <gtest/gtest.h>

#include <memory>

#include "app/panels/InterruptPanelController.hpp"
#include "app/panels/MeetingPanelController.hpp"
#include "app/viewmodels/DoNotDisturbViewModel.hpp"
#include "tests/app/PanelFixture.hpp"

namespace kindora {
namespace {

using testing::meeting;

class PanelControllers : public testing::PanelFixture {
protected:
    testing::RecordingAlertPanel alertPanel;
    testing::RecordingTakeover takeover;
    testing::ChangingScreens screens;
    testing::CountingSound alertSound;
    testing::CountingSound meetingSound;
    Observable<bool> sessionLocked{false};
    std::unique_ptr<InterruptPanelController> alerts =
        std::make_unique<InterruptPanelController>(interrupts_, alertPanel, alertSound, sessionLocked);
    std::unique_ptr<MeetingPanelController> takeovers = std::make_unique<MeetingPanelController>(
        meetings_, interrupts_, meetingContent, takeover, screens, meetingSound, sessionLocked);
};

TEST_F(PanelControllers, TheAlertPanelComesForwardWithTheSoundForEachNewGroupOnly) {
    EXPECT_EQ(alertPanel.shows, 0);
    const auto door = alert("Back door open");
    pollAlerts({door});
    EXPECT_TRUE(alertPanel.shown);
    EXPECT_EQ(alertSound.plays, 1);

    pollAlerts({door});  // the next poll, five seconds later
    // An action in flight, then its refusal, change the content only. The refusal is scripted before the
    // call starts: the call runs on a thread of its own, and a success would dismiss the alert for good.
    backend.setActionError(door.id, BackendError::requiresResolution(std::nullopt));
    backend.hold();
    alertContent.acknowledge();
    EXPECT_TRUE(alertContent.inFlight());
    backend.releaseAll();
    ASSERT_TRUE(mainQueue.drainUntil([&] { return !interrupts_.isActionInFlight(); }));
    EXPECT_FALSE(alertContent.actionError().isEmpty());
    EXPECT_EQ(alertPanel.shows, 1);
    EXPECT_EQ(alertSound.plays, 1);

    const auto leak = alert("Water leak", "kitchen");
    pollAlerts({leak, door});
    EXPECT_EQ(alertPanel.shows, 2) << "another alert heads the list";
    EXPECT_EQ(alertSound.plays, 2);

    pollAlerts({});
    EXPECT_FALSE(alertPanel.shown);
    pollAlerts({door});
    EXPECT_EQ(alertPanel.shows, 3) << "shown again after it went";
    EXPECT_EQ(alertSound.plays, 3);
}

TEST_F(PanelControllers, AMeetingCoversEveryScreenOnceAndTheNextOneReplacesIt) {
    takeovers->dismiss();
    EXPECT_TRUE(logs.messages("MeetingPanel").empty()) << "dismiss with no panel does nothing";

    const auto standup = meeting("standup", ten);
    pollMeetings({standup});
    EXPECT_EQ(takeovers->presentedID(), "standup");
    EXPECT_EQ(takeover.covered, screens.screens);
    EXPECT_TRUE(takeover.shown);
    EXPECT_TRUE(meetingContent.isTicking());
    EXPECT_EQ(meetingSound.plays, 1);
    EXPECT_EQ(logs.messages("MeetingPanel"),
              std::vector<std::string>{"present: id=standup frame={{0, 0}, {1280, 800}} + {{1280, 0}, "
                                       "{1024, 768}} screen={{0, 0}, {1280, 800}}"});

    pollMeetings({standup});  // republished by the next poll
    EXPECT_EQ(takeover.shows, 1);
    EXPECT_EQ(meetingSound.plays, 1);

    meetingContent.dismiss();
    EXPECT_FALSE(takeover.shown);
    EXPECT_FALSE(meetingContent.isTicking()) << "the clock stops with the takeover";
    EXPECT_EQ(logs.messages("MeetingPanel").back(), "dismiss");
    EXPECT_EQ(takeovers->presentedID(), std::nullopt);

    const auto review = meeting("review", ten + std::chrono::minutes(10));
    stepper.stepTo(ten + std::chrono::minutes(6));  // standup's window is over
    pollMeetings({review});
    EXPECT_EQ(takeovers->presentedID(), "review");
    EXPECT_EQ(takeover.shows, 2);
    EXPECT_EQ(meetingSound.plays, 2);
}

TEST_F(PanelControllers, EndingATakeoverOfTwoMeetingsNeverPresentsTheSecondByItself) {
    pollMeetings({meeting("standup", ten), meeting("standup-copy", ten)});
    ASSERT_EQ(meetingSound.plays, 1);
    meetingContent.hide();
    EXPECT_FALSE(takeover.shown);
    EXPECT_EQ(takeover.shows, 1);
    EXPECT_EQ(meetingSound.plays, 1);
}

TEST_F(PanelControllers, AnAlertHoldsTheTakeoverBackAndItReturnsWhenTheAlertGoes) {
    const auto standup = meeting("standup", ten);
    pollMeetings({standup});
    ASSERT_TRUE(takeover.shown);

    const auto door = alert("Back door open");
    pollAlerts({door});
    EXPECT_TRUE(meetings_.isAlertInterruptPresenting()) << "told at once";
    EXPECT_FALSE(takeover.shown);
    EXPECT_TRUE(alertPanel.shown);

    alertContent.dismiss();
    EXPECT_FALSE(meetings_.isAlertInterruptPresenting());
    EXPECT_TRUE(takeover.shown) << "the claimed meeting is still in its window";
}

TEST_F(PanelControllers, TheCoversFollowTheScreensWhileATakeoverIsShown) {
    screens.change({QRect(0, 0, 1920, 1080)});
    EXPECT_TRUE(logs.messages("MeetingPanel").empty()) << "no panel yet";

    pollMeetings({meeting("standup", ten)});
    logs.clear();
    screens.change({QRect(0, 0, 1920, 1080), QRect(-1280, 0, 1280, 1024)});
    EXPECT_EQ(takeover.covered, screens.screens);
    screens.change({QRect(-1280, 0, 1280, 1024)});  // the primary unplugged: the other one takes over
    EXPECT_EQ(takeover.covered, screens.screens);
    EXPECT_EQ(
        logs.messages("MeetingPanel"),
        (std::vector<std::string>{
            "reapplyScreenFrame: {{0, 0}, {1920, 1080}} -> {{0, 0}, {1920, 1080}} + {{-1280, 0}, {1280, "
            "1024}}",
            "reapplyScreenFrame: {{0, 0}, {1920, 1080}} + {{-1280, 0}, {1280, 1024}} -> {{-1280, 0}, {1280, "
            "1024}}"}));

    screens.change({});  // no screen at all: the windows stay where they are
    EXPECT_EQ(takeover.covered, std::vector<QRect>{QRect(-1280, 0, 1280, 1024)});

    meetingContent.dismiss();
    logs.clear();
    screens.change({QRect(0, 0, 800, 600)});
    EXPECT_TRUE(logs.messages("MeetingPanel").empty()) << "nothing presented: nothing to refit";
}

TEST_F(PanelControllers, NothingShowsOverALockedSessionAndWhatIsStillDueShowsOnUnlock) {
    sessionLocked.set(true);
    const auto door = alert("Back door open");
    pollAlerts({door});
    EXPECT_EQ(alertPanel.shows, 0) << "an alert raised while locked waits";
    EXPECT_EQ(alertSound.plays, 0);
    sessionLocked.set(false);
    EXPECT_TRUE(alertPanel.shown);
    EXPECT_EQ(alertSound.plays, 1);

    sessionLocked.set(true);  // locked with the alert up: it goes, and comes back as news
    EXPECT_FALSE(alertPanel.shown);
    sessionLocked.set(false);
    EXPECT_EQ(alertPanel.shows, 2);
    EXPECT_EQ(alertSound.plays, 2);
    alertContent.dismiss();

    sessionLocked.set(true);
    pollMeetings({meeting("standup", ten)});
    EXPECT_EQ(takeover.shows, 0) << "no meeting name on a lock screen";
    sessionLocked.set(false);
    EXPECT_TRUE(takeover.shown);
    EXPECT_EQ(takeovers->presentedID(), "standup");
    sessionLocked.set(true);
    EXPECT_FALSE(takeover.shown);
    EXPECT_FALSE(meetingContent.isTicking());
    meetingContent.dismiss();  // dismissed elsewhere (another takeover of it ended) while locked
    sessionLocked.set(false);
    EXPECT_FALSE(takeover.shown) << "no longer current: not shown on unlock";
    EXPECT_EQ(takeover.shows, 1);
}

TEST_F(PanelControllers, TheTakeoverGoesToTheScreenThePersonWorksOnAndStaysThereWhileItExists) {
    const QRect left(0, 0, 1280, 800);
    const QRect right(1280, 0, 1024, 768);
    const QRect third(2304, 0, 800, 600);
    screens.working = right;
    pollMeetings({meeting("standup", ten)});
    EXPECT_EQ(takeover.covered, (std::vector<QRect>{right, left}));
    EXPECT_EQ(logs.messages("MeetingPanel").back(),
              "present: id=standup frame={{1280, 0}, {1024, 768}} + {{0, 0}, {1280, 800}} screen={{1280, 0}, "
              "{1024, 768}}");

    screens.working = left;  // the person clicks elsewhere: the content does not chase the focus
    screens.change({left, right, third});
    EXPECT_EQ(takeover.covered, (std::vector<QRect>{right, left, third}));
    screens.change({left, QRect(1280, 0, 1024, 1024), third});  // its monitor changed mode: it stays there
    EXPECT_EQ(takeover.covered, (std::vector<QRect>{QRect(1280, 0, 1024, 1024), left, third}));
    screens.change({left, third});  // its screen unplugged, nothing where it was: the primary takes it
    EXPECT_EQ(takeover.covered, (std::vector<QRect>{left, third}));
}

TEST_F(PanelControllers, AnAlertPanelThatCannotLoadIsNeverShownAndThePopoverCountsTheAlertWaiting) {
    alertPanel.loads = false;
    const DoNotDisturbViewModel popoverSection(dnd, interrupts_, time.nowFunction(), mainQueue,
                                               [this] { return alertPanel.canShow(); });
    pollAlerts({alert("Back door open")});
    EXPECT_EQ(alertPanel.shows, 0);
    EXPECT_EQ(alertSound.plays, 0);
    EXPECT_EQ(popoverSection.alertsWaiting().toStdString(), "1 alert waiting");
    alertPanel.loads = true;
    EXPECT_EQ(popoverSection.alertsWaiting().toStdString(), "") << "shown by the panel: not waiting";
}

TEST_F(PanelControllers, WithNoScreenAtAllTheTakeoverIsShownWhereItIs) {
    screens.screens.clear();
    pollMeetings({meeting("standup", ten)});
    EXPECT_TRUE(takeover.shown);
    EXPECT_TRUE(takeover.covered.empty());
    EXPECT_EQ(logs.messages("MeetingPanel").back(), "present: id=standup frame=none screen=none");
}

}  // namespace
}  // namespace kindora
