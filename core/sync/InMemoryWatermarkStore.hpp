#pragma once

#include <mutex>

#include "core/sync/WatermarkStore.hpp"

namespace kindora {

// The sync state in memory, for tests and for running sync without files (the benchmarks). It can
// pretend that the stored state cannot be read. A test may read it from its own thread while an engine
// runs, so access is guarded.
class InMemoryWatermarkStore final : public WatermarkStore {
public:
    explicit InMemoryWatermarkStore(std::optional<SyncState> initial = std::nullopt);

    std::optional<SyncState> load() override;
    void save(const SyncState& state) override;
    void reset() override;

    std::optional<SyncState> state() const;
    // While set, load() throws WatermarkUnreadableError, like a state file the disk cannot read.
    void setSimulateUnreadable(bool value);

private:
    mutable std::mutex mutex_;
    std::optional<SyncState> state_;
    bool simulateUnreadable_ = false;
};

}  // namespace kindora
