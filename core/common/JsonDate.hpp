#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/common/Date.hpp"

namespace kindora {

// A date text that is not an ISO 8601 internet date-time with a time-zone offset, or a date outside
// the span JsonDate reads and writes.
class JsonDateError : public std::runtime_error {
public:
    explicit JsonDateError(std::string_view offendingText);

    // A well-formed date text outside JsonDate::earliest() to JsonDate::latest().
    static JsonDateError outOfRange(std::string_view offendingText);
    // A Date outside that span handed to encode.
    static JsonDateError unwritable();

private:
    enum class Reason { described };
    JsonDateError(Reason, std::string description);
};

// The date coding shared by the backend's JSON and the agent's own files: written as
// "2026-12-07T09:30:00.000Z" (UTC, three fractional digits), read with or without fractional seconds
// and with "Z" or a "+HH:MM"/"-HH:MM" offset.
namespace JsonDate {

// Dates are read and written exactly over the years 0001 to 9999 (UTC) as far as a Date can hold
// them (see earliest() and latest()); anything outside is refused, never wrapped round.
Date earliest();
Date latest();

// Throws JsonDateError for a date outside earliest() to latest().
std::string encode(Date date);

// Throws JsonDateError with the text "Expected an ISO 8601 date with a timezone offset, got "
// followed by the offending value in double quotes, or for a date outside earliest() to latest() with
// a text that says so.
Date decode(std::string_view text);

std::optional<Date> tryDecode(std::string_view text);

}  // namespace JsonDate
}  // namespace kindora
