#include <gtest/gtest.h>

#include "app/texts/PanelTexts.hpp"
#include "tests/app/QtTestApplication.hpp"

namespace kindora {
namespace {

// The texts as the program words them: through its installed translations.
class PanelTextsTest : public ::testing::Test {
protected:
    void SetUp() override { testing::qtApplication(); }
};

const Date now = dateFromSecondsSinceEpoch(1'800'000'000);

TEST_F(PanelTextsTest, TheMoreAlertsLabelFollowsTruncationAndTheWaitingGroups) {
    const struct {
        bool truncated;
        int moreCount;
        std::optional<QString> label;
    } rows[] = {
        {false, 0, std::nullopt},    {false, -1, std::nullopt},     {false, 1, "+1 more"},
        {false, 4, "+4 more"},       {true, 0, "More alerts"},      {true, -2, "More alerts"},
        {true, 1, "+1 more alerts"}, {true, 12, "+12 more alerts"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(PanelTexts::moreAlertsLabel(row.truncated, row.moreCount), row.label)
            << "truncated " << row.truncated << ", " << row.moreCount << " more";
    }
}

TEST_F(PanelTextsTest, AGroupNamesItsSizeAndCountsTheMembersBeyondTheThreeListed) {
    EXPECT_EQ(PanelTexts::groupHeading(5), "5 alerts at once");
    EXPECT_EQ(PanelTexts::moreCopies(5), "2 more copies");
    EXPECT_EQ(PanelTexts::moreCopies(4), "1 more copies");
    EXPECT_EQ(PanelTexts::moreCopies(3), std::nullopt);
    EXPECT_EQ(PanelTexts::moreCopies(2), std::nullopt);
}

TEST_F(PanelTextsTest, TheStatusLineCountsDownToTheStartAndThenUpFromIt) {
    const struct {
        double secondsToStart;
        const char* line;
    } rows[] = {
        {90.4, "Starts in 1:30"},  {90.5, "Starts in 1:31"},   {75 * 60, "Starts in 75:00"},
        {0.4, "Starts in 0:00"},   {0, "Started 0:00 ago"},    {-0.5, "Started 0:01 ago"},
        {-65, "Started 1:05 ago"}, {-300, "Started 5:00 ago"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(PanelTexts::meetingStatusLine(now + Seconds(row.secondsToStart), now), row.line)
            << row.secondsToStart << " s to the start";
    }
}

TEST_F(PanelTextsTest, RelativeTimesNameTheLargestWholeUnit) {
    const struct {
        double secondsAgo;
        const char* text;
    } rows[] = {
        {0, "now"},
        {0.6, "now"},
        {1, "1 second ago"},
        {42, "42 seconds ago"},
        {60, "1 minute ago"},
        {5 * 60 + 59, "5 minutes ago"},
        {3600, "1 hour ago"},
        {23 * 3600, "23 hours ago"},
        {86400, "yesterday"},
        {3 * 86400, "3 days ago"},
        {8 * 86400, "last week"},
        {-90, "in 1 minute"},
        {-86400, "tomorrow"},
        {-2 * 3600, "in 2 hours"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(PanelTexts::relativeTime(
                      now - std::chrono::milliseconds(static_cast<long>(row.secondsAgo * 1000)), now),
                  row.text)
            << row.secondsAgo << " s ago";
    }
}

TEST_F(PanelTextsTest, OnlyAWebLinkWithAHostCanBeJoinedAndOnlyItsSchemeAndHostAreLogged) {
    const struct {
        std::optional<std::string> link;
        bool openable;
    } rows[] = {
        {std::nullopt, false},
        {"", false},
        {"not a link", false},
        {"meet.google.com/abc-defg-hij", false},
        {"https://", false},
        {"https://meet.google.com/abc-defg-hij", true},
        {"https://acme.zoom.us/j/123?pwd=x", true},
        {"http://example.org/call", true},
        {"smb://files.example/share", false},
        {"file://host/etc/passwd", false},
        {"zoommtg://zoom.us/join?confno=1", false},
        {"javascript://x/%0aalert(1)", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(PanelTexts::isOpenableLink(row.link), row.openable) << row.link.value_or("(none)");
    }
    EXPECT_EQ(PanelTexts::linkForLog("smb://files.example/share?pwd=secret"), "smb://files.example");
    EXPECT_EQ(PanelTexts::linkForLog("not a link"), "(not a link)");
}

}  // namespace
}  // namespace kindora
