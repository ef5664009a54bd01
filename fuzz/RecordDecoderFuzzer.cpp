// Feeds arbitrary bytes to one wire record decoder, chosen at build time (KINDORA_FUZZ_RECORD). The
// decoder may only succeed or throw RecordDecodingError; anything else escapes and is a finding. A
// record it accepts must write out and read back to the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/backend/BackendErrorBodies.hpp"
#include "core/backend/HeartbeatRecords.hpp"
#include "core/backend/IngestRecords.hpp"
#include "core/backend/InterruptRecords.hpp"
#include "core/backend/MeetingRecords.hpp"
#include "core/backend/PairingRecords.hpp"
#include "core/common/JsonCoding.hpp"

namespace {

template <typename Record>
void decodeAndRoundTrip(std::string_view text) {
    using namespace kindora;
    Record record;
    try {
        record = JsonCoding::decode<Record>(text);
    } catch (const RecordDecodingError&) {
        return;
    }
    const std::string written = JsonCoding::encode(toJson(record));
    const std::string rewritten = JsonCoding::encode(toJson(JsonCoding::decode<Record>(written)));
    if (written != rewritten) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    using namespace kindora;
#if defined(KINDORA_FUZZ_ERROR_BODIES)
    decodeAndRoundTrip<BackendErrorBody>(text);
    decodeAndRoundTrip<RevokedStatusBody>(text);
    decodeAndRoundTrip<AlertActionErrorBody>(text);
#elif defined(KINDORA_FUZZ_PAIRING)
    decodeAndRoundTrip<PairingCreateResponse>(text);
    decodeAndRoundTrip<PairingStatusResponse>(text);
#elif defined(KINDORA_FUZZ_INTERRUPTS)
    decodeAndRoundTrip<InterruptsResponse>(text);
    decodeAndRoundTrip<AlertActionResponse>(text);
#else
    decodeAndRoundTrip<KINDORA_FUZZ_RECORD>(text);
#endif
    return 0;
}
