#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kindora {

// Recovers the plain text of an `attributedBody` blob (an archived attributed string). Where the
// platform's archivers are unavailable (Linux) a scan of the legacy archive's bytes decides: it reads
// the first string value after the string class name, with a one-byte or 0x81 + 16-bit length.
// Never throws; every failure gives nothing, and an empty text counts as nothing.
class AttributedBodyDecoder {
public:
    static std::optional<std::string> decode(const std::optional<std::vector<std::uint8_t>>& bytes);
    static std::optional<std::string> decode(std::span<const std::uint8_t> bytes);

    AttributedBodyDecoder() = delete;
};

}  // namespace kindora
