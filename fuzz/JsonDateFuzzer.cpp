// Feeds arbitrary text to the JSON date coding. A date it reads must write out (three fractional
// digits, "Z") and read back as the same date to the millisecond; every refusal is a JsonDateError.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/common/JsonDate.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kindora;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Date date;
    try {
        date = JsonDate::decode(text);
    } catch (const JsonDateError&) {
        if (JsonDate::tryDecode(text)) {
            __builtin_trap();
        }
        return 0;
    }
    const Date readBack = JsonDate::decode(JsonDate::encode(date));
    if (readBack != std::chrono::floor<std::chrono::milliseconds>(date)) {
        __builtin_trap();
    }
    return 0;
}
