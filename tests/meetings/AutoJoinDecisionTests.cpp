#include "core/meetings/AutoJoinDecision.hpp"

#include <gtest/gtest.h>

#include "tests/meetings/MeetingTestSupport.hpp"

namespace kindora {
namespace {

using testing::at;
using testing::meeting;

struct LinkRow {
    MeetingProvider provider;
    const char* url;
    bool usable;
};

TEST(AutoJoinDecision, OnlyHttpsLinksToTheProvidersOwnHostsAreUsable) {
    const LinkRow rows[] = {
        {MeetingProvider::meet, "https://meet.google.com/abc-defg-hij", true},
        {MeetingProvider::meet, "HTTPS://Meet.Google.COM/abc-defg-hij", true},
        {MeetingProvider::meet, "https://meet.google.com.evil.example/abc", false},
        {MeetingProvider::meet, "https://google.com/meet", false},
        {MeetingProvider::zoom, "https://zoom.us/j/123?pwd=x", true},
        {MeetingProvider::zoom, "https://acme.zoom.us/j/123", true},
        {MeetingProvider::zoom, "https://us02web.zoom.us:443/j/123#success", true},
        {MeetingProvider::zoom, "http://acme.zoom.us/j/123", false},
        {MeetingProvider::zoom, "https://zoom.us.evil.example/j/123", false},
        {MeetingProvider::zoom, "https://evilzoom.us/j/123", false},
        {MeetingProvider::zoom, "https://zoom.us@evil.example/j/123", false},
        {MeetingProvider::zoom, "https://evil.example\\@zoom.us/j/123", false},
        {MeetingProvider::zoom, "https://evil.example%2F.zoom.us/j/123", false},
        {MeetingProvider::zoom, "https://user@acme.zoom.us/j/123", true},
        {MeetingProvider::zoom, "https://acme.zoom.us:port/j/123", false},
        {MeetingProvider::zoom, "HTTPS://ACME.ZOOM.US./j/123", true},
        {MeetingProvider::zoom, "https://[::1]/j/123", false},
        {MeetingProvider::zoom, "https://acme.zoom.us/j/1 23", false},
        {MeetingProvider::zoom, "https:acme.zoom.us/j/123", false},
        {MeetingProvider::zoom, "acme.zoom.us/j/123", false},
        {MeetingProvider::zoom, "https://", false},
        {MeetingProvider::zoom, "", false},
        {MeetingProvider::zoom, "zoommtg://zoom.us/join?confno=123", false},
        {MeetingProvider::teams, "https://teams.microsoft.com/l/meetup-join/19%3ameeting", true},
        {MeetingProvider::teams, "https://teams.live.com/meet/123", true},
        {MeetingProvider::teams, "https://evil.teams.microsoft.com/l/meetup-join", false},
        {MeetingProvider::teams, "https://microsoft.com/teams", false},
        {MeetingProvider::webex, "https://acme.webex.com/meet/pr123", true},
        {MeetingProvider::webex, "https://webex.com/meet/pr123", false},
        {MeetingProvider::webex, "https://evilwebex.com/meet/pr123", false},
        {MeetingProvider::other, "https://meet.google.com/abc-defg-hij", false},
        {MeetingProvider::zoom, "https://meet.google.com/abc-defg-hij", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(toWire(row.provider)) + " " + row.url);
        const auto standup = meeting("m", at("2026-12-07T10:00:00Z"), row.provider, row.url);
        EXPECT_EQ(AutoJoinDecision::usableJoinURL(standup).has_value(), row.usable);
        if (row.usable) {
            EXPECT_EQ(AutoJoinDecision::usableJoinURL(standup), row.url);
        }
    }
    auto withoutLink = meeting("m", at("2026-12-07T10:00:00Z"));
    withoutLink.joinUrl.reset();
    EXPECT_FALSE(AutoJoinDecision::usableJoinURL(withoutLink));
}

class AutoJoinRules : public ::testing::Test {
protected:
    const Date ten = at("2026-12-07T10:00:00Z");
    const MeetingPreferences on{true, MeetingLeadTime::oneMinute, true, false};
};

TEST_F(AutoJoinRules, JoinsWithinTwoMinutesOfTheStartOnlyWithBothSwitchesOn) {
    const std::vector<Meeting> meetings{meeting("m", ten)};
    struct Row {
        double offset;
        bool joins;
    };
    for (const Row row : {Row{-0.001, false}, Row{0, true}, Row{119.999, true}, Row{120, false}}) {
        SCOPED_TRACE(row.offset);
        EXPECT_EQ(AutoJoinDecision::meetingToJoinNow(meetings, {}, on, false, ten + Seconds(row.offset))
                      .has_value(),
                  row.joins);
    }
    auto disruptOff = on;
    disruptOff.isDisruptEnabled = false;
    auto autoJoinOff = on;
    autoJoinOff.isAutoJoinEnabled = false;
    EXPECT_FALSE(AutoJoinDecision::meetingToJoinNow(meetings, {}, disruptOff, false, ten));
    EXPECT_FALSE(AutoJoinDecision::meetingToJoinNow(meetings, {}, autoJoinOff, false, ten));
    EXPECT_FALSE(AutoJoinDecision::meetingToJoinNow(meetings, {}, on, true, ten));
    EXPECT_FALSE(AutoJoinDecision::meetingToJoinNow(meetings, {"m"}, on, false, ten));
}

TEST_F(AutoJoinRules, CopiesAtOneStartOpenOnceEvenAfterTheFirstWasJoined) {
    const std::vector<Meeting> copies{meeting("work-cal", ten), meeting("home-cal", ten),
                                      meeting("bad-link", ten, MeetingProvider::other)};
    EXPECT_EQ(AutoJoinDecision::meetingToJoinNow(copies, {}, on, false, ten)->id, "home-cal");
    EXPECT_EQ(AutoJoinDecision::eligibleMeetings(copies, {}).size(), 1u);
    // Once one copy is joined (or declined), the group is done: no second window for the other copy.
    EXPECT_FALSE(AutoJoinDecision::meetingToJoinNow(copies, {"home-cal"}, on, false, ten + Seconds(15)));
    EXPECT_FALSE(AutoJoinDecision::meetingToJoinNow(copies, {"work-cal"}, on, false, ten + Seconds(15)));
    EXPECT_EQ(AutoJoinDecision::skipReason(copies[0], copies, {"home-cal"}, on, ten), "grouped-duplicate");
    EXPECT_EQ(AutoJoinDecision::skipReason(copies[1], copies, {"home-cal"}, on, ten), "already-joined");
    EXPECT_EQ(AutoJoinDecision::skipReason(copies[2], copies, {"home-cal"}, on, ten), "invalid-join-url");
}

TEST_F(AutoJoinRules, SkipReasonsApplyInTheirOrder) {
    const auto valid = meeting("valid", ten);
    const auto invalid = meeting("invalid", ten + Seconds(1), MeetingProvider::zoom, "http://zoom.us/j/1");
    const std::vector<Meeting> meetings{valid, invalid};
    auto off = on;
    off.isAutoJoinEnabled = false;
    const Date late = ten + Seconds(120);
    EXPECT_EQ(AutoJoinDecision::skipReason(valid, meetings, {"valid"}, off, late), "gate-off");
    EXPECT_EQ(AutoJoinDecision::skipReason(valid, meetings, {"valid"}, on, late), "already-joined");
    EXPECT_EQ(AutoJoinDecision::skipReason(valid, meetings, {}, on, late), "missed-window");
    EXPECT_EQ(AutoJoinDecision::skipReason(invalid, meetings, {}, on, ten + Seconds(2)), "invalid-join-url");
    EXPECT_EQ(AutoJoinDecision::skipReason(valid, meetings, {}, on, ten), std::nullopt);
}

TEST_F(AutoJoinRules, BoundariesAreTheNextEligibleStartAndTheFifteenSecondRecheck) {
    const std::vector<Meeting> meetings{meeting("now", ten), meeting("next", ten + Seconds(600)),
                                        meeting("unusable", ten + Seconds(300), MeetingProvider::other)};
    EXPECT_EQ(AutoJoinDecision::nextBoundary(meetings, {}, on, ten), ten + Seconds(600));
    EXPECT_EQ(AutoJoinDecision::nextBoundary(meetings, {"next"}, on, ten), std::nullopt);
    auto off = on;
    off.isDisruptEnabled = false;
    EXPECT_EQ(AutoJoinDecision::nextBoundary(meetings, {}, off, ten + Seconds(-60)), std::nullopt);

    EXPECT_EQ(AutoJoinDecision::presenceRecheckBoundary(meetings, {}, ten), ten + Seconds(15));
    EXPECT_EQ(AutoJoinDecision::presenceRecheckBoundary(meetings, {}, ten + Seconds(110)),
              ten + Seconds(120));
    EXPECT_EQ(AutoJoinDecision::presenceRecheckBoundary(meetings, {}, ten + Seconds(120)), std::nullopt);
    EXPECT_EQ(AutoJoinDecision::presenceRecheckBoundary(meetings, {"now"}, ten), std::nullopt);
}

}  // namespace
}  // namespace kindora
