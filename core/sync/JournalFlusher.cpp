#include "core/sync/JournalFlusher.hpp"

#include <unistd.h>

#include <algorithm>
#include <utility>

#include "core/common/AtomicFile.hpp"

namespace kindora {

JournalFlusher::JournalFlusher(int fd, std::filesystem::path file, std::chrono::milliseconds spacing)
    : fd_(fd), file_(std::move(file)), spacing_(spacing), thread_([this] { run(); }) {}

JournalFlusher::~JournalFlusher() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void JournalFlusher::written() {
    {
        const std::lock_guard lock(mutex_);
        throwIfFailed();
        ++writes_;
    }
    changed_.notify_all();
}

void JournalFlusher::flush() {
    std::unique_lock lock(mutex_);
    const std::uint64_t target = writes_;
    wanted_ = std::max(wanted_, target);
    changed_.notify_all();
    changed_.wait(lock, [&] { return flushed_ >= target || failure_; });
    throwIfFailed();
}

void JournalFlusher::throwIfFailed() {
    if (failure_) {
        std::rethrow_exception(std::exchange(failure_, nullptr));
    }
}

bool JournalFlusher::flushIsDue(Clock::time_point now) const {
    return writes_ > flushed_ && (stopping_ || wanted_ > flushed_ || now >= nextFlush_);
}

void JournalFlusher::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (writes_ == flushed_) {
            if (stopping_) {
                return;
            }
            changed_.wait(lock, [&] { return writes_ > flushed_ || stopping_; });
            continue;
        }
        if (!flushIsDue(Clock::now())) {
            changed_.wait_until(lock, nextFlush_, [&] { return stopping_ || wanted_ > flushed_; });
            continue;
        }
        const std::uint64_t target = writes_;
        lock.unlock();
        std::exception_ptr failure;
        if (::fdatasync(fd_) != 0) {
            try {
                AtomicFile::failWithErrno("fdatasync", file_);
            } catch (...) {
                failure = std::current_exception();
            }
        }
        lock.lock();
        flushed_ = target;
        nextFlush_ = Clock::now() + spacing_;
        if (failure) {
            failure_ = failure;
        }
        changed_.notify_all();
    }
}

}  // namespace kindora
