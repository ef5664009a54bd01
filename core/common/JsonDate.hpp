#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/common/Date.hpp"

namespace kindora {

// A date text that is not an ISO 8601 internet date-time with a time-zone offset.
class JsonDateError : public std::runtime_error {
public:
    explicit JsonDateError(std::string_view offendingText);
};

// The date coding shared by the backend's JSON and the agent's own files: written as
// "2026-12-07T09:30:00.000Z" (UTC, three fractional digits), read with or without fractional seconds
// and with "Z" or a "+HH:MM"/"-HH:MM" offset.
namespace JsonDate {

std::string encode(Date date);

// Throws JsonDateError with the text "Expected an ISO 8601 date with a timezone offset, got "
// followed by the offending value in double quotes.
Date decode(std::string_view text);

std::optional<Date> tryDecode(std::string_view text);

}  // namespace JsonDate
}  // namespace kindora
