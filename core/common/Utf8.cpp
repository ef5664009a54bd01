#include "core/common/Utf8.hpp"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kindora::Utf8 {

namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";

// Length of the well-formed sequence at `index`, or, when it is ill-formed, the negated length of its
// maximal ill-formed subpart (at least 1), so that a repair replaces exactly that subpart.
std::ptrdiff_t sequenceAt(std::string_view bytes, std::size_t index) {
    const auto byteAt = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    const std::uint8_t lead = byteAt(index);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    std::uint8_t secondLow = 0x80;
    std::uint8_t secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) {
            secondLow = 0xA0;  // overlong below U+0800
        } else if (lead == 0xED) {
            secondHigh = 0x9F;  // surrogates
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) {
            secondLow = 0x90;  // overlong below U+10000
        } else if (lead == 0xF4) {
            secondHigh = 0x8F;  // past U+10FFFF
        }
    } else {
        return -1;
    }
    for (std::size_t offset = 1; offset < length; ++offset) {
        if (index + offset >= bytes.size()) {
            return -static_cast<std::ptrdiff_t>(offset);
        }
        const std::uint8_t byte = byteAt(index + offset);
        const std::uint8_t low = offset == 1 ? secondLow : 0x80;
        const std::uint8_t high = offset == 1 ? secondHigh : 0xBF;
        if (byte < low || byte > high) {
            return -static_cast<std::ptrdiff_t>(offset);
        }
    }
    return static_cast<std::ptrdiff_t>(length);
}

// The index of the first byte at or after `index` that is not ASCII (or the end), eight bytes at a time:
// most message text is ASCII, and this is checked for every text read.
std::size_t skipASCII(std::string_view bytes, std::size_t index) {
    constexpr std::uint64_t highBits = 0x8080808080808080ULL;
    while (index + sizeof(std::uint64_t) <= bytes.size()) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes.data() + index, sizeof word);
        if ((word & highBits) != 0) {
            break;
        }
        index += sizeof word;
    }
    while (index < bytes.size() && static_cast<std::uint8_t>(bytes[index]) < 0x80) {
        ++index;
    }
    return index;
}

}  // namespace

bool isValid(std::string_view bytes) {
    std::size_t index = 0;
    while ((index = skipASCII(bytes, index)) < bytes.size()) {
        const std::ptrdiff_t length = sequenceAt(bytes, index);
        if (length < 0) {
            return false;
        }
        index += static_cast<std::size_t>(length);
    }
    return true;
}

std::string repairing(std::string_view bytes) {
    if (isValid(bytes)) {
        return std::string(bytes);
    }
    std::string repaired;
    repaired.reserve(bytes.size() + 8);
    std::size_t index = 0;
    while (index < bytes.size()) {
        const std::ptrdiff_t length = sequenceAt(bytes, index);
        if (length < 0) {
            repaired.append(replacementCharacter);
            index += static_cast<std::size_t>(-length);
        } else {
            repaired.append(bytes.substr(index, static_cast<std::size_t>(length)));
            index += static_cast<std::size_t>(length);
        }
    }
    return repaired;
}

std::size_t codePointCount(std::string_view text) {
    std::size_t count = 0;
    for (const char byte : text) {
        count += (static_cast<std::uint8_t>(byte) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

}  // namespace kindora::Utf8
