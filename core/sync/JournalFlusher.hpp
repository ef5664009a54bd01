#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <mutex>
#include <thread>

namespace kindora {

// Flushes what is written to one file descriptor to the disk on a thread of its own, at most once per
// `spacing`, so that the writer never waits for the disk: a write is in the kernel when it returns (a
// killed process loses nothing), and on the disk within `spacing` and one flush (a power cut loses at
// most what came since). A flush is not only slow where the disk is busy: on a virtual machine it can
// hold up the whole guest for milliseconds, so a flush per write would slow every other thread too. A
// failed flush is thrown, as AtomicFileError, by the next written() or flush().
class JournalFlusher {
public:
    static constexpr std::chrono::milliseconds defaultSpacing{1000};

    JournalFlusher(int fd, std::filesystem::path file, std::chrono::milliseconds spacing = defaultSpacing);
    JournalFlusher(const JournalFlusher&) = delete;
    JournalFlusher& operator=(const JournalFlusher&) = delete;
    // Flushes what is still pending, then ends the thread; the descriptor must still be open.
    ~JournalFlusher();

    // Notes that data was written; a flush follows within `spacing`.
    void written();
    // Flushes at once and waits until everything written so far is on the disk.
    void flush();

private:
    using Clock = std::chrono::steady_clock;

    void run();
    bool flushIsDue(Clock::time_point now) const;
    void throwIfFailed();

    const int fd_;
    const std::filesystem::path file_;
    const std::chrono::milliseconds spacing_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t writes_ = 0;   // written() calls so far
    std::uint64_t flushed_ = 0;  // of those, how many are on the disk
    std::uint64_t wanted_ = 0;   // flush() waits for this many at once
    Clock::time_point nextFlush_{};
    std::exception_ptr failure_;
    bool stopping_ = false;
    std::thread thread_;  // last: it uses the fields above
};

}  // namespace kindora
