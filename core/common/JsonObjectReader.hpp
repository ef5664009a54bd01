#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/common/Date.hpp"
#include "core/common/RecordDecodingError.hpp"

namespace kindora {

// The elements of a leniently read array that decoded, in order, and how many did not.
template <typename Element>
struct LossyArray {
    std::vector<Element> elements;
    std::size_t skipped = 0;
};

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

    // Arrays of records: `decode(element, context)` reads one element, `context` naming it as
    // "Record.key[2]" for its own reader and errors.
    // Strict: the first element that fails fails the whole array.
    template <typename Decode>
    auto requiredArrayOf(std::string_view key, Decode decode) const;
    // Strict, for an array that may be missing or null (nullopt then).
    template <typename Decode>
    auto optionalArrayOf(std::string_view key, Decode decode) const;
    // Lenient: an element that does not decode is left out and counted; the array itself must be
    // there. The reasons are dropped, so no element's content reaches a log.
    template <typename Decode>
    auto lossyArrayOf(std::string_view key, Decode decode) const;

    // The members of the object under `key`, each value read with `decode(value, context)`, as
    // (name, value) pairs in the object's order. Strict.
    template <typename Decode>
    auto requiredMembersOf(std::string_view key, Decode decode) const;

    std::string elementContext(std::string_view key, std::size_t index) const;

    // A lone date (an array element or an object's member, for the decode functions above).
    static Date dateAt(const nlohmann::json& value, const std::string& context);

    // A RecordDecodingError for `key` of this object with the given reason.
    RecordDecodingError error(std::string_view key, std::string_view reason) const;

private:
    const nlohmann::json& require(std::string_view key) const;
    std::string stringValue(std::string_view key, const nlohmann::json& value) const;
    bool boolValue(std::string_view key, const nlohmann::json& value) const;
    std::int64_t intValue(std::string_view key, const nlohmann::json& value) const;
    Date dateValue(std::string_view key, const nlohmann::json& value) const;

    template <typename Decode>
    using ElementOf = std::invoke_result_t<Decode&, const nlohmann::json&, std::string>;

    template <typename Decode>
    std::vector<ElementOf<Decode>> decodeAll(std::string_view key, const nlohmann::json& array,
                                             Decode& decode) const {
        std::vector<ElementOf<Decode>> elements;
        elements.reserve(array.size());
        for (std::size_t i = 0; i < array.size(); ++i) {
            elements.push_back(decode(array[i], elementContext(key, i)));
        }
        return elements;
    }

    const nlohmann::json& json_;
    std::string context_;
};

template <typename Decode>
auto JsonObjectReader::requiredArrayOf(std::string_view key, Decode decode) const {
    return decodeAll(key, requiredArray(key), decode);
}

template <typename Decode>
auto JsonObjectReader::optionalArrayOf(std::string_view key, Decode decode) const {
    using Elements = std::vector<ElementOf<Decode>>;
    return find(key) == nullptr ? std::optional<Elements>()
                                : std::optional<Elements>(requiredArrayOf(key, decode));
}

template <typename Decode>
auto JsonObjectReader::requiredMembersOf(std::string_view key, Decode decode) const {
    const nlohmann::json& object = require(key);
    if (!object.is_object()) {
        throw error(key, std::string("Expected an object, got ") + object.type_name());
    }
    std::vector<std::pair<std::string, ElementOf<Decode>>> members;
    members.reserve(object.size());
    for (const auto& [name, value] : object.items()) {
        members.emplace_back(name, decode(value, context_ + "." + std::string(key) + "[\"" + name + "\"]"));
    }
    return members;
}

template <typename Decode>
auto JsonObjectReader::lossyArrayOf(std::string_view key, Decode decode) const {
    const nlohmann::json& array = requiredArray(key);
    LossyArray<ElementOf<Decode>> result;
    for (std::size_t i = 0; i < array.size(); ++i) {
        try {
            result.elements.push_back(decode(array[i], elementContext(key, i)));
        } catch (const RecordDecodingError&) {
            ++result.skipped;
        }
    }
    return result;
}

}  // namespace kindora
