#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "core/common/RecordDecodingError.hpp"

namespace kindora {

// Decodes a wire record from a parsed JSON value; each record header declares its specialisation.
// Throws RecordDecodingError, never anything else.
template <typename Record>
Record fromJson(const nlohmann::json& json);

// The JSON coding of the wire records, shared by the backend client and the development server.
namespace JsonCoding {

// JSON nested deeper than this is refused before it is parsed: no record comes near it, and it
// keeps hostile input from exhausting the stack of code that walks values recursively.
inline constexpr std::size_t maximumNestingDepth = 128;

// Parses a JSON text. Throws RecordDecodingError for malformed JSON, numbers out of range and
// nesting deeper than maximumNestingDepth.
nlohmann::json parse(std::string_view text);

// Writes compact JSON with keys in their declared order. Text that is not valid UTF-8 is written with
// replacement characters instead of failing the whole request.
std::string encode(const nlohmann::ordered_json& json);

// parse() followed by fromJson<Record>(); every failure is a RecordDecodingError.
template <typename Record>
Record decode(std::string_view text) {
    const nlohmann::json json = parse(text);
    try {
        return fromJson<Record>(json);
    } catch (const nlohmann::json::exception& error) {
        throw RecordDecodingError(error.what());
    }
}

}  // namespace JsonCoding
}  // namespace kindora
