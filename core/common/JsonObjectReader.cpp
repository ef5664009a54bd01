#include "core/common/JsonObjectReader.hpp"

#include <cmath>
#include <limits>
#include <utility>

#include "core/common/JsonDate.hpp"

namespace kindora {
namespace {

const char* typeName(const nlohmann::json& value) {
    return value.type_name();
}

Date decodedDate(const std::string& text) {
    try {
        return JsonDate::decode(text);
    } catch (const JsonDateError& dateError) {
        // The date coding's own description is the whole message, so every reader of a bad date
        // sees the same text.
        throw RecordDecodingError(dateError.what());
    }
}

}  // namespace

JsonObjectReader::JsonObjectReader(const nlohmann::json& json, std::string context)
    : json_(json), context_(std::move(context)) {
    if (!json_.is_object()) {
        throw RecordDecodingError("Expected an object for " + context_ + ", got " + typeName(json_));
    }
}

RecordDecodingError JsonObjectReader::error(std::string_view key, std::string_view reason) const {
    return RecordDecodingError(std::string(reason) + " for key \"" + std::string(key) + "\" of " + context_);
}

std::string JsonObjectReader::elementContext(std::string_view key, std::size_t index) const {
    return context_ + "." + std::string(key) + "[" + std::to_string(index) + "]";
}

const nlohmann::json* JsonObjectReader::find(std::string_view key) const {
    const auto it = json_.find(key);
    if (it == json_.end() || it->is_null()) {
        return nullptr;
    }
    return &*it;
}

const nlohmann::json& JsonObjectReader::require(std::string_view key) const {
    const nlohmann::json* value = find(key);
    if (value == nullptr) {
        throw error(key, json_.contains(key) ? "Unexpected null" : "Missing value");
    }
    return *value;
}

std::string JsonObjectReader::stringValue(std::string_view key, const nlohmann::json& value) const {
    if (!value.is_string()) {
        throw error(key, std::string("Expected a string, got ") + typeName(value));
    }
    return value.get<std::string>();
}

bool JsonObjectReader::boolValue(std::string_view key, const nlohmann::json& value) const {
    if (!value.is_boolean()) {
        throw error(key, std::string("Expected a boolean, got ") + typeName(value));
    }
    return value.get<bool>();
}

std::int64_t JsonObjectReader::intValue(std::string_view key, const nlohmann::json& value) const {
    constexpr auto maximum = std::numeric_limits<std::int64_t>::max();
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(maximum)) {
            throw error(key, "Integer out of range");
        }
        return static_cast<std::int64_t>(number);
    }
    if (value.is_number_integer()) {
        return value.get<std::int64_t>();
    }
    if (value.is_number_float()) {
        // A whole number written with a fraction or exponent ("5.0", "1e3") is still an integer.
        const double number = value.get<double>();
        if (std::isfinite(number) && std::trunc(number) == number && number >= -9.2e18 && number <= 9.2e18) {
            return static_cast<std::int64_t>(number);
        }
        throw error(key, "Expected an integer, got a fractional or out-of-range number");
    }
    throw error(key, std::string("Expected an integer, got ") + typeName(value));
}

Date JsonObjectReader::dateValue(std::string_view key, const nlohmann::json& value) const {
    return decodedDate(stringValue(key, value));
}

Date JsonObjectReader::dateAt(const nlohmann::json& value, const std::string& context) {
    if (!value.is_string()) {
        throw RecordDecodingError(std::string("Expected a date string for ") + context + ", got " +
                                  typeName(value));
    }
    return decodedDate(value.get_ref<const std::string&>());
}

std::string JsonObjectReader::requiredString(std::string_view key) const {
    return stringValue(key, require(key));
}

std::optional<std::string> JsonObjectReader::optionalString(std::string_view key) const {
    const nlohmann::json* value = find(key);
    return value ? std::optional(stringValue(key, *value)) : std::nullopt;
}

bool JsonObjectReader::requiredBool(std::string_view key) const {
    return boolValue(key, require(key));
}

std::optional<bool> JsonObjectReader::optionalBool(std::string_view key) const {
    const nlohmann::json* value = find(key);
    return value ? std::optional(boolValue(key, *value)) : std::nullopt;
}

std::int64_t JsonObjectReader::requiredInt(std::string_view key) const {
    return intValue(key, require(key));
}

std::optional<std::int64_t> JsonObjectReader::optionalInt(std::string_view key) const {
    const nlohmann::json* value = find(key);
    return value ? std::optional(intValue(key, *value)) : std::nullopt;
}

Date JsonObjectReader::requiredDate(std::string_view key) const {
    return dateValue(key, require(key));
}

std::optional<Date> JsonObjectReader::optionalDate(std::string_view key) const {
    const nlohmann::json* value = find(key);
    return value ? std::optional(dateValue(key, *value)) : std::nullopt;
}

const nlohmann::json& JsonObjectReader::requiredArray(std::string_view key) const {
    const nlohmann::json& value = require(key);
    if (!value.is_array()) {
        throw error(key, std::string("Expected an array, got ") + typeName(value));
    }
    return value;
}

}  // namespace kindora
