#pragma once

#include <optional>

#include "core/meetings/MeetingLedgerState.hpp"

namespace kindora {

// Where one meeting ledger persists between runs.
class MeetingLedgerStore {
public:
    virtual ~MeetingLedgerStore() = default;

    // The stored state, or nothing when there is none (or it cannot be used).
    virtual std::optional<MeetingLedgerState> load() const = 0;
    // Replaces the stored state. Throws std::exception on failure.
    virtual void save(const MeetingLedgerState& state) = 0;
};

}  // namespace kindora
