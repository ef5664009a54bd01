#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace kindora {

// Builds `attributedBody` blobs in the legacy archive (typedstream) layout Messages writes: the
// "streamtyped" header, the attributed string's class chain, the string value with its length, and
// the attribute run that follows. Also builds the damaged and foreign forms found in real databases.
class ArchivedStringBlob {
public:
    enum class StringClass { mutableString, plainString };

    // Lengths under 128 take one byte; up to 65535 the 0x81 + 16-bit form; longer the 0x82 + 32-bit
    // form, which the agent's byte scan does not read.
    static std::vector<std::uint8_t> make(std::string_view text,
                                          StringClass stringClass = StringClass::mutableString);
    // `text` with the 32-bit length form even though it is short.
    static std::vector<std::uint8_t> withWideLength(std::string_view text);
    // A blob cut off inside its text: the declared length runs past the end.
    static std::vector<std::uint8_t> truncated(std::string_view text);
    // A keyed archive (binary property list), which has no "streamtyped" header.
    static std::vector<std::uint8_t> keyedArchive(std::string_view text);

    ArchivedStringBlob() = delete;
};

}  // namespace kindora
