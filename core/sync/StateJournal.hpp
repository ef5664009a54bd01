#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/common/FileDescriptor.hpp"
#include "core/sync/JournalFlusher.hpp"

namespace kindora {

// A file of two fixed-size slots written in turn, each holding one checksummed record, so that the
// newest of a run of saves is kept with one small write and one data flush. A crash that tears a write
// leaves a record whose checksum fails, and the other slot still holds the one before. The file is made
// at its full size once (zeros, flushed, renamed into place), so writing a record never changes its
// size or its blocks and the flush carries data only, not the file system's own journal. A record is
// in the kernel when append() returns and flushed behind the writer's back (JournalFlusher): a busy
// disk's flush takes milliseconds, longer than the exchange of a whole batch with the backend, and a
// power cut costs at most the records since the last flush, which a sender resends. Records are in
// this machine's byte order: the file never leaves it. Failures throw AtomicFileError.
class StateJournal {
public:
    enum class RecordKind : std::uint32_t {
        state = 1,       // the payload is the whole state
        checkpoint = 2,  // the state file beside the journal holds everything recorded before
    };
    struct Record {
        std::uint64_t sequence = 0;
        RecordKind kind = RecordKind::state;
        std::string payload;
    };

    static constexpr std::size_t slotSize = 64 * 1024;
    static constexpr std::size_t headerSize = 32;
    static constexpr std::size_t payloadCapacity = slotSize - headerSize;

    // The newest whole record, or nothing when the file is missing, is not of a journal's size, or
    // holds no whole record. Throws when the file exists but cannot be read.
    static std::optional<Record> readLatest(const std::filesystem::path& file);

    // Opens the journal for writing: a file of a journal's size is written on, its records numbered
    // on; anything else is replaced by an empty journal.
    static StateJournal open(const std::filesystem::path& file);

    // The kind of the newest record, nothing while the journal is empty.
    std::optional<RecordKind> latestKind() const { return latestKind_; }

    // Writes the next record over the older one; its flush follows. Throws std::length_error for a
    // payload over payloadCapacity, and AtomicFileError (also for an earlier record's failed flush)
    // with nothing in the file changed but that slot.
    void append(RecordKind kind, std::string_view payload);
    // Waits until every record appended so far is on the disk.
    void flush();

    StateJournal(StateJournal&& other) noexcept = default;
    StateJournal& operator=(StateJournal&& other) noexcept;

private:
    StateJournal(FileDescriptor fd, std::filesystem::path file, std::optional<Record> latest);
    static void createEmpty(const std::filesystem::path& file);

    FileDescriptor fd_;
    std::filesystem::path file_;
    std::uint64_t nextSequence_;
    std::optional<RecordKind> latestKind_;
    std::unique_ptr<JournalFlusher> flusher_;  // after fd_: it flushes fd_ once more as it ends
};

}  // namespace kindora
