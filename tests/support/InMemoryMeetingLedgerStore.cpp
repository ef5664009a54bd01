#include "tests/support/InMemoryMeetingLedgerStore.hpp"

#include <utility>

namespace kindora {

InMemoryMeetingLedgerStore::InMemoryMeetingLedgerStore(std::optional<MeetingLedgerState> state)
    : state_(std::move(state)) {}

std::optional<MeetingLedgerState> InMemoryMeetingLedgerStore::load() const {
    return state_;
}

void InMemoryMeetingLedgerStore::save(const MeetingLedgerState& state) {
    state_ = state;
    ++saveCount_;
}

}  // namespace kindora
