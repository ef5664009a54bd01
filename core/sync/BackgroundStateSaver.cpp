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
    std::unique_lock lock(mutex_);
    waitUntilIdle(lock);
    if (staged_ != state) {
        staged_.reset();
        pending_ = Job{state, false};
        lock.unlock();
        changed_.notify_all();
        return;
    }
    // Only putting the state written ahead in place is left. Whoever saves waits for it before the
    // next request anyway, so it is done here rather than after waking the thread.
    staged_.reset();
    writing_ = true;
    lock.unlock();
    write(Job{state, false});
    lock.lock();
    writing_ = false;
    lock.unlock();
    changed_.notify_all();
}

void BackgroundStateSaver::stage(const SyncState& state) {
    {
        std::unique_lock lock(mutex_);
        waitUntilIdle(lock);
        staged_ = state;
        pending_ = Job{state, true};
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
        const Job job = std::move(*pending_);
        pending_.reset();
        writing_ = true;
        lock.unlock();
        write(job);
        lock.lock();
        writing_ = false;
        changed_.notify_all();
    }
}

void BackgroundStateSaver::write(const Job& job) {
    try {
        if (job.stageOnly) {
            store_.stage(job.state);
        } else {
            store_.save(job.state);
        }
    } catch (const std::exception& error) {
        if (job.stageOnly) {
            // The save that follows writes the whole file itself and reports what goes wrong.
            logger_.debug("could not write the next sync state ahead: {}", error.what());
        } else {
            // The in-memory state moves on; the next successful save catches up.
            logger_.error("failed to persist sync state: {}", error.what());
        }
    }
}

}  // namespace kindora
