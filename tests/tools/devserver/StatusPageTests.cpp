#include <gtest/gtest.h>

#include "core/common/JsonDate.hpp"
#include "tests/tools/devserver/DevServerTestSupport.hpp"
#include "tools/devserver/StatusPage.hpp"

namespace kindora::devserver {
namespace {

const Date now = dateFromSecondsSinceEpoch(1'800'000'000);

TEST(StatusPage, EscapesEverythingThatCouldBeMarkup) {
    EXPECT_EQ(StatusPage::escapeHtml(R"(<script>alert("x&y's")</script>)"),
              "&lt;script&gt;alert(&quot;x&amp;y&#39;s&quot;)&lt;/script&gt;");
}

TEST(StatusPage, ShowsTheHouseholdWithEveryTextEscapedAndRefreshesItself) {
    HouseholdSnapshot snapshot;
    Device device;
    device.name = "<b>mac</b>";
    device.state = DeviceState::active;
    snapshot.devices.push_back(device);
    snapshot.messages.push_back(StoredMessage{"d",
                                              testsupport::message("g1", "<img src=x onerror=alert(1)>"),
                                              IngestOutcomeKind::raised,
                                              false,
                                              now,
                                              {}});
    Interrupt alert;
    alert.title = "Door & window";
    snapshot.alerts.push_back(StoredAlert{alert, AlertState::open, {}, {}, {}});
    Interrupt closed;
    closed.title = "Already handled";
    snapshot.alerts.push_back(StoredAlert{closed, AlertState::resolved, {}, {}, {}});
    Meeting upcoming{
        "m1", "Planning", now + Seconds(600), {}, "https://x.example.com/?a=1&b=2", MeetingProvider::zoom,
        ""};
    Meeting past{"m0", "Yesterday's call", now + Seconds(-86400), {}, {}, MeetingProvider::meet, ""};
    snapshot.meetings = {past, upcoming};

    const std::string html = StatusPage::render(snapshot, now);
    EXPECT_NE(html.find("http-equiv=\"refresh\""), std::string::npos);
    EXPECT_NE(html.find("&lt;b&gt;mac&lt;/b&gt;"), std::string::npos);
    EXPECT_NE(html.find("&lt;img src=x onerror=alert(1)&gt;"), std::string::npos);
    EXPECT_EQ(html.find("<img"), std::string::npos);
    EXPECT_NE(html.find("raised"), std::string::npos);
    EXPECT_NE(html.find("Door &amp; window"), std::string::npos);
    EXPECT_EQ(html.find("Already handled"), std::string::npos);
    EXPECT_NE(html.find("Planning"), std::string::npos);
    EXPECT_NE(html.find("a=1&amp;b=2"), std::string::npos);
    EXPECT_EQ(html.find("Yesterday"), std::string::npos);
}

TEST(StatusPage, ShowsOnlyTheLatestMessagesNewestFirstAndCutsLongTexts) {
    HouseholdSnapshot snapshot;
    for (int i = 0; i < 25; ++i) {
        snapshot.messages.push_back(
            StoredMessage{"d",
                          testsupport::message("g" + std::to_string(i), "text-" + std::to_string(i)),
                          IngestOutcomeKind::noMatch,
                          false,
                          now,
                          {}});
    }
    snapshot.messages.back().message.text = std::string(200, 'x') + "tail";
    const std::string html = StatusPage::render(snapshot, now);
    EXPECT_EQ(html.find("text-4<"), std::string::npos);
    EXPECT_NE(html.find("text-5<"), std::string::npos);
    EXPECT_LT(html.find(std::string(80, 'x')), html.find("text-23"));
    EXPECT_EQ(html.find("tail"), std::string::npos);
}

}  // namespace
}  // namespace kindora::devserver
