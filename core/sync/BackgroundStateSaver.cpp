#include "core/sync/BackgroundStateSaver.hpp"

#include <exception>
#include <utility>

namespace kindora {

BackgroundStateSaver::BackgroundStateSaver(WatermarkStore& store)
    : store_(store), thread_([this] { run(); }) {}

BackgroundStateSaver::~BackgroundStateSaver() {
    {
        std::unique_lock lock(mutex_);
        waitUntilIdle(lock);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BackgroundStateSaver::save(const SyncState& state) {
    {
        std::unique_lock lock(mutex_);
        waitUntilIdle(lock);
        pending_ = state;
    }
    changed_.notify_all();
}

void BackgroundStateSaver::waitUntilSaved() {
    std::unique_lock lock(mutex_);
    waitUntilIdle(lock);
}

void BackgroundStateSaver::waitUntilIdle(std::unique_lock<std::mutex>& lock) {
    changed_.wait(lock, [this] { return !pending_ && !writing_; });
}

void BackgroundStateSaver::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return pending_ || stopping_; });
        if (!pending_) {
            return;
        }
        const SyncState state = std::move(*pending_);
        pending_.reset();
        writing_ = true;
        lock.unlock();
        try {
            store_.save(state);
        } catch (const std::exception& error) {
            // The in-memory state moves on; the next successful save catches up.
            logger_.error("failed to persist sync state: {}", error.what());
        }
        lock.lock();
        writing_ = false;
        changed_.notify_all();
    }
}

}  // namespace kindora
