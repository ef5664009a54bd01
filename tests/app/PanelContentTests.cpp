// What the alert panel and the meeting takeover show and do, read off their view models over the real
// controllers.
#include <gtest/gtest.h>

#include "tests/app/PanelFixture.hpp"

namespace kindora {
namespace {

using testing::at;
using testing::meeting;

class PanelContent : public testing::PanelFixture {};

struct Member {
    bool requiresResolution;
    bool canResolve;
    InterruptUrgency urgency;
};

struct ButtonRow {
    const char* name;
    std::vector<Member> group;
    const char* badge;
    bool acknowledge;
    bool resolve;
    bool hint;
};

TEST_F(PanelContent, TheGroupDecidesTheBadgeTheButtonsAndTheResolutionHint) {
    constexpr auto urgent = InterruptUrgency::urgent;
    constexpr auto critical = InterruptUrgency::critical;
    const ButtonRow rows[] = {
        {"a plain urgent alert", {{false, true, urgent}}, "URGENT", true, true, false},
        {"one critical member",
         {{false, true, urgent}, {false, true, critical}},
         "CRITICAL",
         true,
         true,
         false},
        {"only one member requires resolution",
         {{false, false, urgent}, {true, true, urgent}},
         "URGENT",
         false,
         true,
         true},
        {"requires resolution that this user may not give",
         {{true, false, critical}},
         "CRITICAL",
         false,
         false,
         true},
        {"nobody here may resolve",
         {{false, false, urgent}, {false, false, urgent}},
         "URGENT",
         true,
         false,
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<Interrupt> group;
        for (const auto& member : row.group) {
            auto interrupt = alert("member", "incident");
            interrupt.requiresResolution = member.requiresResolution;
            interrupt.canResolve = member.canResolve;
            interrupt.urgency = member.urgency;
            group.push_back(interrupt);
        }
        pollAlerts(group);
        ASSERT_TRUE(alertContent.shown());
        EXPECT_EQ(alertContent.badge().toStdString(), row.badge);
        EXPECT_EQ(alertContent.acknowledgeShown(), row.acknowledge);
        EXPECT_EQ(alertContent.resolveShown(), row.resolve);
        EXPECT_EQ(alertContent.resolutionHint().toStdString(),
                  row.hint ? InterruptPanelContent::resolutionHintText : "");
    }
}

TEST_F(PanelContent, ASingleAlertShowsItsTextsAndAGroupOfFiveListsThreeAndCountsTheRest) {
    auto single = alert("Back door open");
    single.raisedAt = time.now() - std::chrono::minutes(5);
    pollAlerts({single, alert("Other incident")});
    EXPECT_FALSE(alertContent.isGroup());
    EXPECT_EQ(alertContent.title().toStdString(), "Back door open");
    EXPECT_EQ(alertContent.body().toStdString(), single.body);
    EXPECT_EQ(alertContent.caption().toStdString(), "Home rules • 5 minutes ago");
    EXPECT_EQ(alertContent.moreAlertsLabel().toStdString(), "+1 more");

    std::vector<Interrupt> five;
    for (int i = 1; i <= 5; ++i) {
        five.push_back(alert("Leak sensor " + std::to_string(i), "water"));
        five.back().source = "Sensor " + std::to_string(i);
    }
    pollAlerts(five, /*truncated=*/true);
    EXPECT_TRUE(alertContent.isGroup());
    EXPECT_EQ(alertContent.groupHeading().toStdString(), "5 alerts at once");
    const auto rows = alertContent.groupRows();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[2].toMap()[QStringLiteral("title")].toString().toStdString(), "Leak sensor 3");
    EXPECT_EQ(rows[2].toMap()[QStringLiteral("source")].toString().toStdString(), "Sensor 3");
    EXPECT_EQ(alertContent.moreCopies().toStdString(), "2 more copies");
    EXPECT_EQ(alertContent.moreAlertsLabel().toStdString(), "More alerts")
        << "truncated, nothing else waiting";

    pollAlerts({});
    EXPECT_FALSE(alertContent.shown());
    EXPECT_EQ(alertContent.badge().toStdString(), "");
    EXPECT_FALSE(alertContent.acknowledgeShown());
}

TEST_F(PanelContent, ButtonsAreDisabledWhileTheActionRunsAndARefusalIsShownUnderTheAlert) {
    auto door = alert("Back door open");
    door.requiresResolution = true;
    pollAlerts({door});
    int changes = 0;
    QObject::connect(&alertContent, &InterruptPanelContent::changed, [&changes] { ++changes; });

    backend.setActionError(door.id, BackendError::forbidden(std::nullopt));
    backend.hold();
    alertContent.resolve();
    EXPECT_TRUE(alertContent.inFlight());
    alertContent.acknowledge();  // a second press while the first runs does nothing
    backend.releaseAll();
    ASSERT_TRUE(mainQueue.drainUntil([&] { return !alertContent.inFlight(); }));
    EXPECT_EQ(backend.actionCalls().size(), 1u);
    EXPECT_EQ(alertContent.actionError().toStdString(), "You don't have permission to resolve this alert.");
    EXPECT_GE(changes, 2) << "the view hears of the action starting and ending";

    alertContent.dismiss();
    EXPECT_FALSE(alertContent.shown());
    EXPECT_EQ(alertContent.actionError().toStdString(), "") << "an error about another alert is not shown";
}

TEST_F(PanelContent, TheTakeoverCountsDownOnlyWhileShownAndOffersJoinOnlyForALink) {
    auto standup = meeting("standup", ten);
    standup.calendarLabel = "WORK";
    pollMeetings({standup});  // 09:56, inside the five-minute lead time
    ASSERT_TRUE(meetingContent.shown());
    EXPECT_EQ(meetingContent.calendarLabel().toStdString(), "WORK");
    EXPECT_EQ(meetingContent.title().toStdString(), "Meeting standup");
    EXPECT_TRUE(meetingContent.joinShown());

    meetingContent.start();
    EXPECT_TRUE(meetingContent.isTicking());
    EXPECT_EQ(meetingContent.statusLine().toStdString(), "Starts in 4:00");
    stepper.stepTo(ten - std::chrono::milliseconds(90500));
    ASSERT_TRUE(
        testing::processEventsUntil([&] { return meetingContent.statusLine() == "Starts in 1:31"; }, 3000))
        << meetingContent.statusLine().toStdString() << ": the one-second timer refreshes the clock";
    meetingContent.stop();
    EXPECT_FALSE(meetingContent.isTicking());

    int later = 0;
    for (const char* link : {"", "not a link"}) {
        auto noLink = meeting(std::string("no-link-") + link, ten + Seconds(30 + later++));
        noLink.joinUrl = *link ? std::optional<std::string>(link) : std::nullopt;
        meetings_.markJoined(meetings_.presentedMeeting()->id, std::nullopt);  // ends the claim
        pollMeetings({noLink});
        ASSERT_EQ(meetings_.presentedMeeting()->id, noLink.id);
        EXPECT_FALSE(meetingContent.joinShown()) << link;
        meetingContent.join();
        EXPECT_TRUE(opened.empty()) << link;
    }
}

TEST_F(PanelContent, AutoJoinArmedOffersHideAndDontAutoJoinWithTheCaptionAndHideKeepsItArmed) {
    time.advance(180);  // 09:59
    const auto standup = meeting("standup", ten);
    pollMeetings({standup});
    ASSERT_TRUE(meetingContent.shown());
    EXPECT_TRUE(meetingContent.autoJoinWillOpen());
    EXPECT_EQ(meetingContent.autoJoinCaption().toStdString(), MeetingPanelContent::autoJoinCaptionText);

    setPreferences(true, false);
    EXPECT_FALSE(meetingContent.autoJoinWillOpen()) << "auto-join off: Dismiss instead, no caption";
    EXPECT_EQ(meetingContent.autoJoinCaption().toStdString(), "");
    setPreferences(true, true);
    EXPECT_TRUE(meetingContent.autoJoinWillOpen());

    meetingContent.hide();
    EXPECT_FALSE(meetingContent.shown());
    EXPECT_TRUE(autoJoin_.isArmed(standup));
    pollMeetings({standup});
    EXPECT_FALSE(meetingContent.shown()) << "hidden for the rest of its window";
    stepper.stepTo(ten + Seconds(1));
    EXPECT_EQ(opened, std::vector<std::string>{*standup.joinUrl}) << "hidden, and still joined at the start";
}

TEST_F(PanelContent, DontAutoJoinCancelsTheAutomaticOpenAndEndsTheWholeTakeover) {
    time.advance(180);
    const auto standup = meeting("standup", ten);
    const auto copy = meeting("standup-copy", ten);
    pollMeetings({standup, copy});
    ASSERT_TRUE(meetingContent.together());
    meetingContent.dontAutoJoin();
    EXPECT_FALSE(autoJoin_.isArmed(standup));
    EXPECT_TRUE(logs.contains("auto-join: suppressed meeting standup reason=declined"));
    EXPECT_TRUE(logs.contains("auto-join: suppressed meeting standup-copy reason=declined"));
    EXPECT_FALSE(meetingContent.shown()) << "the copy does not stay on screen by itself";
    stepper.stepTo(ten + Seconds(1));
    EXPECT_TRUE(opened.empty());
}

TEST_F(PanelContent, JoinOpensTheLinkAndKeepsAutoJoinFromOpeningEitherMeetingTakenOverTogether) {
    time.advance(180);
    const auto standup = meeting("standup", ten);
    const auto copy = meeting("standup-copy", ten);
    pollMeetings({standup, copy});
    ASSERT_TRUE(meetingContent.together());
    ASSERT_EQ(meetingContent.meetings().size(), 2);
    const auto clicked = *meetings_.presentedMeeting();

    meetingContent.join();
    EXPECT_EQ(opened, std::vector<std::string>{*clicked.joinUrl});
    EXPECT_TRUE(logs.contains("auto-join: suppressed meeting standup reason=joined-manually"));
    EXPECT_TRUE(logs.contains("auto-join: suppressed meeting standup-copy reason=joined-manually"));
    EXPECT_FALSE(meetingContent.shown()) << "joined: neither copy takes the screen any more";

    stepper.stepTo(ten + Seconds(1));  // the start: nothing opens by itself
    pollMeetings({standup, copy});
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_FALSE(meetingContent.shown());
}

}  // namespace
}  // namespace kindora
