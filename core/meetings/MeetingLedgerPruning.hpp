#pragma once

#include "core/common/Date.hpp"
#include "core/meetings/MeetingLedgerState.hpp"

namespace kindora::MeetingLedgerPruning {

// How long a ledger entry lives: one day, far longer than any takeover or auto-join window.
inline constexpr double window = 86400;

// The entries recorded strictly later than `now` − window.
MeetingLedgerState pruned(const MeetingLedgerState& state, Date now);

}  // namespace kindora::MeetingLedgerPruning
