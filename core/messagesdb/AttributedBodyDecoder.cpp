#include "core/messagesdb/AttributedBodyDecoder.hpp"

#include <array>
#include <cstddef>
#include <string_view>

#include "core/common/Utf8.hpp"

namespace kindora {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::string_view archiveMarker = "streamtyped";
constexpr std::string_view mutableStringClass = "NSMutableString";
constexpr std::string_view stringClass = "NSString";
constexpr std::array<std::uint8_t, 2> stringValueMarker{0x01, 0x2B};
constexpr std::uint8_t longLengthPrefix = 0x81;

// Index of the first occurrence of `pattern` at or after `from`, or npos.
std::size_t find(Bytes bytes, Bytes pattern, std::size_t from) {
    if (pattern.empty() || pattern.size() > bytes.size()) {
        return std::string_view::npos;
    }
    const std::size_t lastStart = bytes.size() - pattern.size();
    for (std::size_t start = from; start <= lastStart; ++start) {
        bool matches = true;
        for (std::size_t offset = 0; offset < pattern.size(); ++offset) {
            if (bytes[start + offset] != pattern[offset]) {
                matches = false;
                break;
            }
        }
        if (matches) {
            return start;
        }
    }
    return std::string_view::npos;
}

Bytes asBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Index just after the first occurrence of `pattern` at or after `from`, or npos.
std::size_t endOf(Bytes bytes, Bytes pattern, std::size_t from) {
    const std::size_t start = find(bytes, pattern, from);
    return start == std::string_view::npos ? start : start + pattern.size();
}

// Reads the string value of a legacy (typedstream) archive by its byte layout: the first string value
// that follows the string's class name. Texts the one- and two-byte length forms cannot describe are
// not read.
std::optional<std::string> scanLegacyArchive(Bytes bytes) {
    const std::size_t afterMarker = endOf(bytes, asBytes(archiveMarker), 0);
    if (afterMarker == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t afterClass = endOf(bytes, asBytes(mutableStringClass), afterMarker);
    if (afterClass == std::string_view::npos) {
        afterClass = endOf(bytes, asBytes(stringClass), afterMarker);
    }
    if (afterClass == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t lengthAt = endOf(bytes, stringValueMarker, afterClass);
    if (lengthAt == std::string_view::npos || lengthAt >= bytes.size()) {
        return std::nullopt;
    }
    std::size_t length = 0;
    std::size_t textAt = 0;
    const std::uint8_t lengthByte = bytes[lengthAt];
    if (lengthByte == longLengthPrefix) {
        if (bytes.size() - lengthAt < 3) {
            return std::nullopt;
        }
        length = static_cast<std::size_t>(bytes[lengthAt + 1]) |
                 (static_cast<std::size_t>(bytes[lengthAt + 2]) << 8);
        textAt = lengthAt + 3;
    } else if (lengthByte <= 0x7F) {
        length = lengthByte;
        textAt = lengthAt + 1;
    } else {
        return std::nullopt;
    }
    if (length == 0 || length > bytes.size() - textAt) {
        return std::nullopt;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data() + textAt), length);
    if (!Utf8::isValid(text)) {
        return std::nullopt;
    }
    return std::string(text);
}

}  // namespace

std::optional<std::string> AttributedBodyDecoder::decode(
    const std::optional<std::vector<std::uint8_t>>& bytes) {
    if (!bytes) {
        return std::nullopt;
    }
    return decode(Bytes(*bytes));
}

std::optional<std::string> AttributedBodyDecoder::decode(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return std::nullopt;
    }
    // No archiving framework exists on this platform to unarchive the attributed string itself, so
    // the byte scan is the only decoder.
    return scanLegacyArchive(bytes);
}

}  // namespace kindora
