#include "core/messagesdb/AppleTime.hpp"

#include <gtest/gtest.h>

#include <limits>

#include "core/common/JsonDate.hpp"

namespace kindora {
namespace {

TEST(AppleTime, SecondsAndNanosecondsNameTheSameDate) {
    EXPECT_EQ(AppleTime::date(700000000), AppleTime::date(700000000000000000));
    EXPECT_EQ(JsonDate::encode(AppleTime::date(700000000)), "2023-03-08T20:26:40.000Z");
    EXPECT_EQ(JsonDate::encode(AppleTime::date(0)), "2001-01-01T00:00:00.000Z");
}

TEST(AppleTime, ValuesFromTheThresholdOnAreNanoseconds) {
    EXPECT_DOUBLE_EQ(AppleTime::secondsSinceReferenceDate(999'999'999'999), 999'999'999'999.0);
    EXPECT_DOUBLE_EQ(AppleTime::secondsSinceReferenceDate(1'000'000'000'000), 1000.0);
    EXPECT_DOUBLE_EQ(AppleTime::secondsSinceReferenceDate(-5), -5.0);
}

TEST(AppleTime, NanosecondsRoundTrip) {
    const Date date = JsonDate::decode("2026-12-07T09:30:00.250Z");
    EXPECT_EQ(AppleTime::date(AppleTime::nanoseconds(date)), date);
    EXPECT_EQ(AppleTime::nanoseconds(JsonDate::decode("2001-01-01T00:00:01Z")), 1'000'000'000);
}

TEST(AppleTime, ValuesBeyondTheDateRangeAreHeldAtItsEnds) {
    // Seconds-sized values just under the threshold would overflow a nanosecond clock.
    const Date farFuture = AppleTime::date(999'999'999'999);
    const Date farPast = AppleTime::date(std::numeric_limits<std::int64_t>::min());
    EXPECT_GT(farFuture, AppleTime::date(std::numeric_limits<std::int64_t>::max()) - std::chrono::hours(1));
    EXPECT_LT(farPast, AppleTime::date(0));
    EXPECT_GT(farFuture, AppleTime::date(0));
}

}  // namespace
}  // namespace kindora
