#pragma once

#include <functional>
#include <set>
#include <string>

#include "core/common/Date.hpp"
#include "core/meetings/MeetingLedgerStore.hpp"

namespace kindora {

// Remembers across restarts which meetings were already acted on (taken over, or auto-joined), each
// for one day. The in-memory state is authoritative for the run; a failed save is ignored. Main thread.
class MeetingPresentationLedger {
public:
    // Loads the store and drops entries older than a day, saving the pruned state if anything went.
    MeetingPresentationLedger(MeetingLedgerStore& store, std::function<Date()> now);

    std::set<std::string> presentedIDs() const;
    bool hasPresented(const std::string& id) const;
    // Records `id` at the current time (replacing an older time), prunes and saves.
    void markPresented(const std::string& id);

    const MeetingLedgerState& state() const { return state_; }

private:
    void saveIgnoringFailure();

    MeetingLedgerStore& store_;
    std::function<Date()> now_;
    MeetingLedgerState state_;
};

}  // namespace kindora
