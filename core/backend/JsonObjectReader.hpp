#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "core/backend/RecordDecodingError.hpp"
#include "core/common/Date.hpp"

namespace kindora {

// Strict, typed reads of one JSON object's keys for the record decoders. A required key that is
// missing or null, or any value of the wrong type, throws RecordDecodingError naming `context` (the
// record and where it sits, "IngestResponse.outcomes[2]") and the key. Optional reads treat a
// missing key and null alike; unknown keys are never looked at.
class JsonObjectReader {
public:
    // Throws RecordDecodingError when `json` is not an object.
    JsonObjectReader(const nlohmann::json& json, std::string context);

    const std::string& context() const { return context_; }

    std::string requiredString(std::string_view key) const;
    std::optional<std::string> optionalString(std::string_view key) const;
    bool requiredBool(std::string_view key) const;
    std::optional<bool> optionalBool(std::string_view key) const;
    std::int64_t requiredInt(std::string_view key) const;
    std::optional<std::int64_t> optionalInt(std::string_view key) const;
    Date requiredDate(std::string_view key) const;
    std::optional<Date> optionalDate(std::string_view key) const;
    // The array under `key`; throws when it is missing, null or not an array.
    const nlohmann::json& requiredArray(std::string_view key) const;
    // The value under `key`, or nullptr when the key is missing or null.
    const nlohmann::json* find(std::string_view key) const;

    // A RecordDecodingError for `key` of this object with the given reason.
    RecordDecodingError error(std::string_view key, std::string_view reason) const;

private:
    const nlohmann::json& require(std::string_view key) const;
    std::string stringValue(std::string_view key, const nlohmann::json& value) const;
    bool boolValue(std::string_view key, const nlohmann::json& value) const;
    std::int64_t intValue(std::string_view key, const nlohmann::json& value) const;
    Date dateValue(std::string_view key, const nlohmann::json& value) const;

    const nlohmann::json& json_;
    std::string context_;
};

}  // namespace kindora
