#pragma once

#include <optional>

#include "core/meetings/MeetingLedgerStore.hpp"

namespace kindora {

// A meeting ledger store in memory, for tests and for running the logic without files.
class InMemoryMeetingLedgerStore final : public MeetingLedgerStore {
public:
    explicit InMemoryMeetingLedgerStore(std::optional<MeetingLedgerState> state = std::nullopt);

    std::optional<MeetingLedgerState> load() const override;
    void save(const MeetingLedgerState& state) override;

    const std::optional<MeetingLedgerState>& state() const { return state_; }
    int saveCount() const { return saveCount_; }

private:
    std::optional<MeetingLedgerState> state_;
    int saveCount_ = 0;
};

}  // namespace kindora
