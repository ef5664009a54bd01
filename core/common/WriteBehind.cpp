#include "core/common/WriteBehind.hpp"

#include <utility>

namespace kindora {

WriteBehind::WriteBehind() : thread_([this] { run(); }) {}

WriteBehind::~WriteBehind() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void WriteBehind::submit(std::function<void()> write) {
    {
        const std::lock_guard lock(mutex_);
        pending_ = std::move(write);
    }
    changed_.notify_all();
}

void WriteBehind::flush() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !pending_ && !writing_; });
}

void WriteBehind::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return pending_ || stopping_; });
        if (!pending_) {
            return;  // stopping, with nothing left to write
        }
        auto write = std::exchange(pending_, nullptr);
        writing_ = true;
        lock.unlock();
        write();
        lock.lock();
        writing_ = false;
        changed_.notify_all();
    }
}

}  // namespace kindora
