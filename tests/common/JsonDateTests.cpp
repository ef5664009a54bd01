#include "core/common/JsonDate.hpp"

#include <gtest/gtest.h>

namespace kindora {
namespace {

using namespace std::chrono;

Date utc(int y, unsigned m, unsigned d, int hh, int mm, int ss, int ms = 0) {
    return Date(sys_days(year{y} / month{m} / day{d}) + hours(hh) + minutes(mm) + seconds(ss) + milliseconds(ms));
}

TEST(JsonDate, WritesThreeFractionalDigitsAndZ) {
    EXPECT_EQ(JsonDate::encode(utc(2026, 12, 7, 9, 5, 3)), "2026-12-07T09:05:03.000Z");
    EXPECT_EQ(JsonDate::encode(utc(2001, 1, 1, 0, 0, 0, 7)), "2001-01-01T00:00:00.007Z");
}

TEST(JsonDate, WritingDropsPrecisionBelowAMillisecond) {
    const Date date = utc(2026, 3, 1, 12, 0, 0, 999) + microseconds(999);
    EXPECT_EQ(JsonDate::encode(date), "2026-03-01T12:00:00.999Z");
}

TEST(JsonDate, DatesBeforeTheEpochWriteCorrectly) {
    EXPECT_EQ(JsonDate::encode(utc(1969, 12, 31, 23, 59, 59, 500)), "1969-12-31T23:59:59.500Z");
}

TEST(JsonDate, RoundTripsAtMillisecondPrecision) {
    for (const Date date : {utc(2026, 12, 7, 9, 30, 0, 123), utc(2000, 2, 29, 23, 59, 59, 999), utc(1970, 1, 1, 0, 0, 0)}) {
        EXPECT_EQ(JsonDate::decode(JsonDate::encode(date)), date);
    }
}

TEST(JsonDate, ReadsWithAndWithoutFractionalSecondsAndWithOffsets) {
    const Date expected = utc(2026, 12, 7, 9, 30, 0);
    EXPECT_EQ(JsonDate::decode("2026-12-07T09:30:00Z"), expected);
    EXPECT_EQ(JsonDate::decode("2026-12-07T09:30:00.000Z"), expected);
    EXPECT_EQ(JsonDate::decode("2026-12-07T10:30:00+01:00"), expected);
    EXPECT_EQ(JsonDate::decode("2026-12-07T04:00:00-05:30"), expected);
    EXPECT_EQ(JsonDate::decode("2026-12-07T09:30:00.5Z"), expected + milliseconds(500));
    EXPECT_EQ(JsonDate::decode("2026-12-07T09:30:00.123456Z"), expected + microseconds(123456));
}

TEST(JsonDate, RejectsEveryOtherFormWithTheExactText) {
    for (const char* text : {"2026-12-07T09:30:00", "2026-12-07T09:30:00.000", "2026-12-07", "", "yesterday",
                             "2026-12-07 09:30:00Z", "2026-13-07T09:30:00Z", "2026-02-30T09:30:00Z",
                             "2026-12-07T24:00:00Z", "2026-12-07T09:30:00.Z", "2026-12-07T09:30:00+0100",
                             "2026-12-07T09:30:00Zjunk", "2026-12-07t09:30:00z", "1800000000"}) {
        try {
            JsonDate::decode(text);
            ADD_FAILURE() << "accepted " << text;
        } catch (const JsonDateError& error) {
            EXPECT_EQ(std::string(error.what()),
                      std::string("Expected an ISO 8601 date with a timezone offset, got \"") + text + "\"");
        }
    }
}

// Whether this standard library's Date can hold every year from 0001 to 9999 (microsecond ticks can;
// nanosecond ticks reach only 1677 to 2262).
constexpr bool dateHoldsEveryWritableYear = duration<double>(Date::duration::max()).count() > 253402300800.0;

TEST(JsonDate, FarDatesReadBackExactlyOrAreRefusedNeverWrapped) {
    for (const char* text : {"0001-01-01T00:00:00.000Z", "1600-02-29T12:00:00.000Z", "1677-09-21T00:00:00.000Z",
                             "2262-04-12T00:00:00.000Z", "3000-01-01T00:00:00.000Z", "9999-12-31T23:59:59.000Z"}) {
        try {
            const Date date = JsonDate::decode(text);
            EXPECT_TRUE(dateHoldsEveryWritableYear) << text << " read as " << JsonDate::encode(date);
            EXPECT_EQ(JsonDate::encode(date), text);
        } catch (const JsonDateError& error) {
            EXPECT_FALSE(dateHoldsEveryWritableYear) << text;
            EXPECT_EQ(std::string(error.what()), std::string("Date \"") + text +
                                                     "\" lies outside the dates the agent can represent (" +
                                                     JsonDate::encode(JsonDate::earliest()) + " to " +
                                                     JsonDate::encode(JsonDate::latest()) + ")");
        }
    }
    EXPECT_EQ(JsonDate::tryDecode("9999-12-31T23:59:59Z").has_value(), dateHoldsEveryWritableYear);
    // An offset that carries the last writable second into the year 10000 is refused everywhere.
    EXPECT_THROW(JsonDate::decode("9999-12-31T23:59:59-01:00"), JsonDateError);
    EXPECT_THROW(JsonDate::decode("0000-12-31T00:00:00Z"), JsonDateError);
}

TEST(JsonDate, TheEdgesOfTheSpanRoundTripAndBeyondThemNothingIsWritten) {
    for (const Date edge : {JsonDate::earliest(), JsonDate::latest()}) {
        EXPECT_EQ(JsonDate::decode(JsonDate::encode(edge)), edge);
    }
    EXPECT_LT(JsonDate::earliest(), utc(1678, 1, 1, 0, 0, 0));
    EXPECT_GT(JsonDate::latest(), utc(2262, 4, 1, 0, 0, 0));
    try {
        JsonDate::encode(Date::max());
        ADD_FAILURE() << "wrote a date beyond the span";
    } catch (const JsonDateError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot write a date outside the years 0001 to 9999 (UTC)");
    }
    EXPECT_THROW(JsonDate::encode(Date::min()), JsonDateError);
}

}  // namespace
}  // namespace kindora
