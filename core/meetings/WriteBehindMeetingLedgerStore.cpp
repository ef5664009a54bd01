#include "core/meetings/WriteBehindMeetingLedgerStore.hpp"

#include <exception>

namespace kindora {

WriteBehindMeetingLedgerStore::WriteBehindMeetingLedgerStore(MeetingLedgerStore& store) : store_(store) {}

std::optional<MeetingLedgerState> WriteBehindMeetingLedgerStore::load() const {
    writer_.flush();
    return store_.load();
}

void WriteBehindMeetingLedgerStore::save(const MeetingLedgerState& state) {
    writer_.submit([this, state] {
        try {
            store_.save(state);
        } catch (const std::exception& error) {
            logger_.error("Saving a meeting ledger failed: {}", error.what());
        }
    });
}

}  // namespace kindora
