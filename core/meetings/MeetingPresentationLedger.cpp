#include "core/meetings/MeetingPresentationLedger.hpp"

#include <exception>
#include <utility>

#include "core/meetings/MeetingLedgerPruning.hpp"

namespace kindora {

MeetingPresentationLedger::MeetingPresentationLedger(MeetingLedgerStore& store, std::function<Date()> now)
    : store_(store), now_(std::move(now)) {
    const auto loaded = store_.load().value_or(MeetingLedgerState{});
    state_ = MeetingLedgerPruning::pruned(loaded, now_());
    if (state_ != loaded) {
        saveIgnoringFailure();
    }
}

std::set<std::string> MeetingPresentationLedger::presentedIDs() const {
    std::set<std::string> ids;
    for (const auto& entry : state_.presentedAt) {
        ids.insert(entry.first);
    }
    return ids;
}

bool MeetingPresentationLedger::hasPresented(const std::string& id) const {
    return state_.presentedAt.contains(id);
}

void MeetingPresentationLedger::markPresented(const std::string& id) {
    const Date now = now_();
    state_.presentedAt[id] = now;
    state_ = MeetingLedgerPruning::pruned(state_, now);
    saveIgnoringFailure();
}

void MeetingPresentationLedger::saveIgnoringFailure() {
    try {
        store_.save(state_);
    } catch (const std::exception&) {
        // The in-memory state still holds the entry, so this run never repeats the action; only a
        // restart within the day could, which is the lesser harm than stopping.
    }
}

}  // namespace kindora
