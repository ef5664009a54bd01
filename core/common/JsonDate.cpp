#include "core/common/JsonDate.hpp"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace kindora {

JsonDateError::JsonDateError(std::string_view offendingText)
    : std::runtime_error("Expected an ISO 8601 date with a timezone offset, got \"" + std::string(offendingText) +
                         "\"") {}

JsonDateError::JsonDateError(Reason, std::string description) : std::runtime_error(std::move(description)) {}

JsonDateError JsonDateError::outOfRange(std::string_view offendingText) {
    return JsonDateError(Reason::described, "Date \"" + std::string(offendingText) +
                                                "\" lies outside the dates the agent can represent (" +
                                                JsonDate::encode(JsonDate::earliest()) + " to " +
                                                JsonDate::encode(JsonDate::latest()) + ")");
}

JsonDateError JsonDateError::unwritable() {
    return JsonDateError(Reason::described, "Cannot write a date outside the years 0001 to 9999 (UTC)");
}

namespace JsonDate {
namespace {

using namespace std::chrono;

class Cursor {
public:
    explicit Cursor(std::string_view text) : text_(text) {}

    bool digits(std::size_t count, int& value) {
        if (position_ + count > text_.size()) {
            return false;
        }
        value = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const char c = text_[position_ + i];
            if (c < '0' || c > '9') {
                return false;
            }
            value = value * 10 + (c - '0');
        }
        position_ += count;
        return true;
    }

    bool literal(char expected) {
        if (position_ < text_.size() && text_[position_] == expected) {
            ++position_;
            return true;
        }
        return false;
    }

    std::optional<char> peek() const {
        if (position_ < text_.size()) {
            return text_[position_];
        }
        return std::nullopt;
    }

    bool atEnd() const { return position_ == text_.size(); }

    // Reads one or more digits as a fraction of a second, in nanoseconds (digits past the ninth are
    // read but do not count).
    bool fraction(long long& nanoseconds) {
        const std::size_t start = position_;
        nanoseconds = 0;
        long long scale = 100000000;
        while (position_ < text_.size() && text_[position_] >= '0' && text_[position_] <= '9') {
            nanoseconds += (text_[position_] - '0') * scale;
            scale /= 10;
            ++position_;
        }
        return position_ > start;
    }

private:
    std::string_view text_;
    std::size_t position_ = 0;
};

// The span of whole seconds that decode accepts and encode writes: the years 0001 to 9999 (UTC), cut
// to what a Date can hold with a second to spare on either side. With nanosecond ticks (libstdc++)
// that is about 1677-09-22 to 2262-04-10; with microsecond ticks (libc++) every year that can be
// written. Worked out in seconds, which hold every one of those years without overflow.
sys_seconds earliestSeconds() {
    const sys_seconds firstWritable{sys_days(std::chrono::year{1} / January / 1)};
    const sys_seconds firstHeld{ceil<std::chrono::seconds>(Date::min().time_since_epoch()) + std::chrono::seconds(1)};
    return std::max(firstWritable, firstHeld);
}

sys_seconds latestSeconds() {
    const sys_seconds lastWritable{sys_days(std::chrono::year{9999} / December / 31) + hours(23) + minutes(59) +
                                   std::chrono::seconds(59)};
    const sys_seconds lastHeld{floor<std::chrono::seconds>(Date::max().time_since_epoch()) - std::chrono::seconds(1)};
    return std::min(lastWritable, lastHeld);
}

Date toDate(sys_seconds time) {
    return Date(duration_cast<Date::duration>(time.time_since_epoch()));
}

// Parses the text; nullopt when it is not a date of the accepted form. Throws JsonDateError when it
// is a well-formed date that lies outside what a Date can hold.
std::optional<Date> parse(std::string_view text) {
    Cursor cursor(text);
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!cursor.digits(4, year) || !cursor.literal('-') || !cursor.digits(2, month) || !cursor.literal('-') ||
        !cursor.digits(2, day) || !cursor.literal('T') || !cursor.digits(2, hour) || !cursor.literal(':') ||
        !cursor.digits(2, minute) || !cursor.literal(':') || !cursor.digits(2, second)) {
        return std::nullopt;
    }
    long long nanoseconds = 0;
    if (cursor.literal('.') && !cursor.fraction(nanoseconds)) {
        return std::nullopt;
    }
    int offsetMinutes = 0;
    if (!cursor.literal('Z')) {
        const auto sign = cursor.peek();
        if (!sign || (*sign != '+' && *sign != '-')) {
            return std::nullopt;
        }
        cursor.literal(*sign);
        int offsetHours = 0, offsetRest = 0;
        if (!cursor.digits(2, offsetHours) || !cursor.literal(':') || !cursor.digits(2, offsetRest) ||
            offsetHours > 23 || offsetRest > 59) {
            return std::nullopt;
        }
        offsetMinutes = (offsetHours * 60 + offsetRest) * (*sign == '-' ? -1 : 1);
    }
    if (!cursor.atEnd()) {
        return std::nullopt;
    }
    const year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                              std::chrono::day{static_cast<unsigned>(day)}};
    if (year < 1 || !date.ok() || hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    // Whole seconds first, in 64 bits, so that a year the Date cannot hold is refused instead of
    // wrapping round when it is scaled to the Date's unit.
    const sys_seconds wholeSeconds = sys_days(date) + hours(hour) + minutes(minute) + std::chrono::seconds(second) -
                                     minutes(offsetMinutes);
    if (wholeSeconds < earliestSeconds() || wholeSeconds > latestSeconds()) {
        throw JsonDateError::outOfRange(text);
    }
    return toDate(wholeSeconds) + floor<Date::duration>(std::chrono::nanoseconds(nanoseconds));
}

}  // namespace

std::string encode(Date date) {
    const auto milliseconds = floor<std::chrono::milliseconds>(date);
    const auto dayStart = floor<days>(milliseconds);
    const year_month_day ymd{dayStart};
    if (floor<std::chrono::seconds>(date) < earliestSeconds() || floor<std::chrono::seconds>(date) > latestSeconds()) {
        // Five digits or a sign would not read back as the same date (or at all).
        throw JsonDateError::unwritable();
    }
    const hh_mm_ss<std::chrono::milliseconds> time{milliseconds - dayStart};
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()), static_cast<int>(time.subseconds().count()));
    return buffer;
}

Date decode(std::string_view text) {
    if (auto date = parse(text)) {
        return *date;
    }
    throw JsonDateError(text);
}

Date earliest() { return toDate(earliestSeconds()); }

Date latest() { return toDate(latestSeconds()); }

std::optional<Date> tryDecode(std::string_view text) {
    try {
        return parse(text);
    } catch (const JsonDateError&) {
        return std::nullopt;
    }
}

}  // namespace JsonDate
}  // namespace kindora
