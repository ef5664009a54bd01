// Feeds arbitrary bytes to the readers of the agent's own files: "state.json" (KINDORA_FUZZ_STATE) or
// a meeting ledger. Each may only succeed or throw its decoding error (state.json: SyncStateDecodingError;
// a ledger: RecordDecodingError); what it reads must write out and read back to the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/common/RecordDecodingError.hpp"
#include "core/meetings/FileMeetingLedgerStore.hpp"
#include "core/sync/SyncState.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kindora;
    const std::string text(reinterpret_cast<const char*>(data), size);
#if defined(KINDORA_FUZZ_STATE)
    SyncState state;
    try {
        state = SyncState::decode(text);
    } catch (const SyncStateDecodingError&) {
        return 0;
    }
    const std::string written = state.encode();
    if (SyncState::decode(written).encode() != written) {
        __builtin_trap();
    }
#else
    MeetingLedgerState ledger;
    try {
        ledger = FileMeetingLedgerStore::decode(text);
    } catch (const RecordDecodingError&) {
        return 0;
    }
    const std::string written = FileMeetingLedgerStore::encode(ledger);
    if (FileMeetingLedgerStore::encode(FileMeetingLedgerStore::decode(written)) != written) {
        __builtin_trap();
    }
#endif
    return 0;
}
