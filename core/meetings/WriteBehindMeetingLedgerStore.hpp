#pragma once

#include "core/common/Log.hpp"
#include "core/common/WriteBehind.hpp"
#include "core/meetings/MeetingLedgerStore.hpp"

namespace kindora {

// A meeting ledger store whose saves return at once: the state is written through `store` on a thread
// of its own (only the newest state when saves come faster than the disk), so that marking a meeting
// never holds up the main thread on a file's fsync. A failed write is logged; the ledger in memory
// still holds the entry, as with a failed save anywhere. Loading first waits for the writes under way.
class WriteBehindMeetingLedgerStore final : public MeetingLedgerStore {
public:
    explicit WriteBehindMeetingLedgerStore(MeetingLedgerStore& store);

    std::optional<MeetingLedgerState> load() const override;
    // Never throws: the write happens later.
    void save(const MeetingLedgerState& state) override;
    // Waits for every save handed over so far.
    void flush() const { writer_.flush(); }

private:
    MeetingLedgerStore& store_;
    const Log logger_{"Meetings"};
    mutable WriteBehind writer_;  // last: its pending write uses the fields above
};

}  // namespace kindora
