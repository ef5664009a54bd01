#include <gtest/gtest.h>

#include "app/texts/StatusTexts.hpp"
#include "core/common/JsonDate.hpp"
#include "tests/app/QtTestApplication.hpp"

namespace kindora {
namespace {

// The texts as the program words them: through its installed translations.
class StatusTextsTest : public ::testing::Test {
protected:
    void SetUp() override { testing::qtApplication(); }
};

const Date now = dateFromSecondsSinceEpoch(1'800'000'000);

TEST_F(StatusTextsTest, DoNotDisturbRemainingRoundsUpToWholeMinutes) {
    const struct {
        double secondsLeft;
        const char* text;
    } cases[] = {
        {-30, "0m left"},          {0, "0m left"},
        {0.5, "1m left"},          {59 * 60, "59m left"},
        {59 * 60 + 1, "1h left"},  {60 * 60, "1h left"},
        {61 * 60, "1h 1m left"},   {119 * 60 + 1, "2h left"},
        {2 * 3600 - 1, "2h left"}, {90 * 60 + 30, "1h 31m left"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StatusTexts::doNotDisturbRemaining(now + Seconds(c.secondsLeft), now), c.text)
            << c.secondsLeft << " s left";
    }
}

TEST_F(StatusTextsTest, AlertsWaitingIsSingularForOneAndAbsentForNone) {
    EXPECT_EQ(StatusTexts::alertsWaiting(0), std::nullopt);
    EXPECT_EQ(StatusTexts::alertsWaiting(-1), std::nullopt);
    EXPECT_EQ(StatusTexts::alertsWaiting(1), "1 alert waiting");
    EXPECT_EQ(StatusTexts::alertsWaiting(2), "2 alerts waiting");
}

TEST_F(StatusTextsTest, PairingCodeCountsDownAndThenReadsExpired) {
    const struct {
        double secondsLeft;
        const char* text;
    } cases[] = {
        {600, "Code expires in 10:00"},
        {299.5, "Code expires in 5:00"},
        {299.4, "Code expires in 4:59"},
        {75 * 60, "Code expires in 75:00"},
        {0.4, "Code expires in 0:00"},
        {0, "Code expired"},
        {-5, "Code expired"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StatusTexts::pairingCodeExpiry(now + Seconds(c.secondsLeft), now), c.text)
            << c.secondsLeft << " s left";
    }
}

TEST_F(StatusTextsTest, RetryCaptionOnlyForAnErrorOrANeverCompletedSync) {
    SyncStatus neverSynced;
    EXPECT_EQ(StatusTexts::retryCaption(neverSynced), "Sync hasn't completed yet — retry now.");

    SyncStatus failing;
    failing.lastSyncAt = now;
    failing.lastError = UserText::verbatim("The backend is unreachable.");
    EXPECT_EQ(StatusTexts::retryCaption(failing),
              "Retry now — automatic sync is backing off after an error.");

    SyncStatus clean;
    clean.lastSyncAt = now;
    EXPECT_EQ(StatusTexts::retryCaption(clean), std::nullopt);
}

TEST_F(StatusTextsTest, StatTimeShowsADashWhenAbsentAndTheDayWhenNotToday) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    const Date noon = *JsonDate::tryDecode("2026-12-07T12:00:00.000Z");
    EXPECT_EQ(StatusTexts::statTime(std::nullopt, noon), "—");
    EXPECT_EQ(StatusTexts::statTime(*JsonDate::tryDecode("2026-12-07T09:05:03.000Z"), noon), "09:05:03");
    EXPECT_EQ(StatusTexts::statTime(*JsonDate::tryDecode("2026-12-06T23:59:00.000Z"), noon),
              "2026-12-06 23:59");
}

}  // namespace
}  // namespace kindora
