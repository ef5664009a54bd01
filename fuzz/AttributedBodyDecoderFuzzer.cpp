// Feeds arbitrary bytes to the attributed body decoder. Besides the sanitizers' memory and undefined
// behaviour checks, a decoded text must be non-empty, valid UTF-8 and taken from inside the blob.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "core/messagesdb/AttributedBodyDecoder.hpp"
#include "core/common/Utf8.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const auto text = kindora::AttributedBodyDecoder::decode(bytes);
    if (!text) {
        return 0;
    }
    const std::string_view blob(reinterpret_cast<const char*>(data), size);
    if (text->empty() || !kindora::Utf8::isValid(*text) || blob.find(*text) == std::string_view::npos) {
        __builtin_trap();
    }
    return 0;
}
