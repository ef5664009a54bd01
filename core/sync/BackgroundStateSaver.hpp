#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "core/common/Log.hpp"
#include "core/sync/SyncState.hpp"
#include "core/sync/WatermarkStore.hpp"

namespace kindora {

// Writes the sync state through its store on a thread of its own, so that the engine maps and encodes
// the next batch while the previous batch's watermark is flushed to disk. At most one save is in
// flight: save() first waits for the one before it, so saves reach the store in order. Whoever must
// not run ahead of a durable watermark (the next ingest request, the end of a tick, a load from the
// store) calls waitUntilSaved() first. A failed save is logged; the next one catches up.
class BackgroundStateSaver {
public:
    explicit BackgroundStateSaver(WatermarkStore& store);
    BackgroundStateSaver(const BackgroundStateSaver&) = delete;
    BackgroundStateSaver& operator=(const BackgroundStateSaver&) = delete;
    // Finishes the save in flight.
    ~BackgroundStateSaver();

    // Hands the state over; when it is the state written ahead, only its rename is left, which is
    // done at once on the caller's thread.
    void save(const SyncState& state);
    // Hands the store the state the next save will most likely bring (see WatermarkStore::stage),
    // to be written while the caller waits for something else. Nothing is saved by it.
    void stage(const SyncState& state);
    // Waits until every save and stage handed over has been done.
    void waitUntilSaved();

private:
    struct Job {
        SyncState state;
        bool stageOnly = false;
    };

    void run();
    // Runs one job through the store; a failure is logged.
    void write(const Job& job);
    void waitUntilIdle(std::unique_lock<std::mutex>& lock);

    WatermarkStore& store_;
    const Log logger_{"Sync"};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<Job> pending_;        // handed over, not yet taken by the thread
    std::optional<SyncState> staged_;  // the last state written ahead, until the next save
    bool writing_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace kindora
