#include "core/common/JsonDate.hpp"

#include <cstdio>

namespace kindora {

JsonDateError::JsonDateError(std::string_view offendingText)
    : std::runtime_error("Expected an ISO 8601 date with a timezone offset, got \"" + std::string(offendingText) +
                         "\"") {}

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
    if (!date.ok() || hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    const auto local = sys_days(date) + hours(hour) + minutes(minute) + std::chrono::seconds(second) +
                       std::chrono::nanoseconds(nanoseconds);
    return Date(duration_cast<Date::duration>((local - minutes(offsetMinutes)).time_since_epoch()));
}

}  // namespace

std::string encode(Date date) {
    const auto milliseconds = floor<std::chrono::milliseconds>(date);
    const auto dayStart = floor<days>(milliseconds);
    const year_month_day ymd{dayStart};
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

std::optional<Date> tryDecode(std::string_view text) { return parse(text); }

}  // namespace JsonDate
}  // namespace kindora
