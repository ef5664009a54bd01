#include "core/meetings/MeetingLedgerPruning.hpp"

namespace kindora::MeetingLedgerPruning {

MeetingLedgerState pruned(const MeetingLedgerState& state, Date now) {
    const Date cutoff = now + Seconds(-window);
    MeetingLedgerState kept;
    for (const auto& [id, at] : state.presentedAt) {
        if (at > cutoff) {
            kept.presentedAt.emplace(id, at);
        }
    }
    return kept;
}

}  // namespace kindora::MeetingLedgerPruning
