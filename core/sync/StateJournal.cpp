#include "core/sync/StateJournal.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "core/common/AtomicFile.hpp"

namespace kindora {
namespace {

using AtomicFile::failWithErrno;

constexpr std::size_t fileSize = 2 * StateJournal::slotSize;
constexpr char magic[4] = {'K', 'S', 'J', '1'};

// Header fields by offset: magic, kind, sequence, payload length, reserved (zero), checksum.
constexpr std::size_t kindOffset = 4;
constexpr std::size_t sequenceOffset = 8;
constexpr std::size_t lengthOffset = 16;
constexpr std::size_t checksumOffset = 24;

// FNV-1a over the header before the checksum and the payload: enough to tell a whole record from a
// torn one, which is all it is for.
std::uint64_t checksum(std::string_view header, std::string_view payload) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const std::string_view part : {header, payload}) {
        for (const char byte : part) {
            hash = (hash ^ static_cast<unsigned char>(byte)) * 0x100000001b3ULL;
        }
    }
    return hash;
}

template <typename T>
T field(const char* bytes, std::size_t offset) {
    T value;
    std::memcpy(&value, bytes + offset, sizeof value);
    return value;
}

std::optional<StateJournal::Record> decodeSlot(const char* slot) {
    if (std::memcmp(slot, magic, sizeof magic) != 0) {
        return std::nullopt;
    }
    const auto kind = field<std::uint32_t>(slot, kindOffset);
    const auto length = field<std::uint32_t>(slot, lengthOffset);
    if ((kind != static_cast<std::uint32_t>(StateJournal::RecordKind::state) &&
         kind != static_cast<std::uint32_t>(StateJournal::RecordKind::checkpoint)) ||
        length > StateJournal::payloadCapacity) {
        return std::nullopt;
    }
    const std::string_view payload(slot + StateJournal::headerSize, length);
    if (field<std::uint64_t>(slot, checksumOffset) != checksum({slot, checksumOffset}, payload)) {
        return std::nullopt;  // torn by a crash in the middle of its write
    }
    return StateJournal::Record{field<std::uint64_t>(slot, sequenceOffset),
                                static_cast<StateJournal::RecordKind>(kind), std::string(payload)};
}

void readFully(int fd, char* buffer, std::size_t size, const std::filesystem::path& file) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t count = ::pread(fd, buffer + done, size - done, static_cast<off_t>(done));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            failWithErrno("read", file);
        }
        if (count == 0) {
            throw AtomicFileError(std::make_error_code(std::errc::io_error),
                                  "short read of " + file.string());
        }
        done += static_cast<std::size_t>(count);
    }
}

bool hasJournalSize(int fd, const std::filesystem::path& file) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        failWithErrno("stat", file);
    }
    return S_ISREG(info.st_mode) && static_cast<std::size_t>(info.st_size) == fileSize;
}

// The newer of the two slots' whole records.
std::optional<StateJournal::Record> latestIn(int fd, const std::filesystem::path& file) {
    std::string contents(fileSize, '\0');
    readFully(fd, contents.data(), fileSize, file);
    auto first = decodeSlot(contents.data());
    auto second = decodeSlot(contents.data() + StateJournal::slotSize);
    if (first && second) {
        return first->sequence > second->sequence ? std::move(first) : std::move(second);
    }
    return first ? std::move(first) : std::move(second);
}

}  // namespace

std::optional<StateJournal::Record> StateJournal::readLatest(const std::filesystem::path& file) {
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        failWithErrno("open", file);
    }
    if (!hasJournalSize(fd.get(), file)) {
        return std::nullopt;
    }
    return latestIn(fd.get(), file);
}

StateJournal StateJournal::open(const std::filesystem::path& file) {
    FileDescriptor fd(::open(file.c_str(), O_RDWR | O_CLOEXEC));
    if (fd.get() < 0 && errno != ENOENT) {
        failWithErrno("open", file);
    }
    if (fd.get() >= 0 && hasJournalSize(fd.get(), file)) {
        auto latest = latestIn(fd.get(), file);
        return StateJournal(std::move(fd), file, std::move(latest));
    }
    createEmpty(file);
    fd = FileDescriptor(::open(file.c_str(), O_RDWR | O_CLOEXEC));
    if (fd.get() < 0) {
        failWithErrno("open", file);
    }
    return StateJournal(std::move(fd), file, std::nullopt);
}

void StateJournal::createEmpty(const std::filesystem::path& file) {
    // Written whole, not extended or allocated lazily: a record written into a hole or an unwritten
    // extent would make the flush commit the file system's journal as well.
    AtomicFile::write(file, std::string(fileSize, '\0'));
}

StateJournal::StateJournal(FileDescriptor fd, std::filesystem::path file, std::optional<Record> latest)
    : fd_(std::move(fd)),
      file_(std::move(file)),
      nextSequence_(latest ? latest->sequence + 1 : 1),
      latestKind_(latest ? std::optional(latest->kind) : std::nullopt),
      flusher_(std::make_unique<JournalFlusher>(fd_.get(), file_)) {}

StateJournal& StateJournal::operator=(StateJournal&& other) noexcept {
    if (this != &other) {
        flusher_.reset();  // its last flush needs the descriptor that is about to be closed
        fd_ = std::move(other.fd_);
        file_ = std::move(other.file_);
        nextSequence_ = other.nextSequence_;
        latestKind_ = other.latestKind_;
        flusher_ = std::move(other.flusher_);
    }
    return *this;
}

void StateJournal::append(RecordKind kind, std::string_view payload) {
    if (payload.size() > payloadCapacity) {
        throw std::length_error("a state journal record holds at most " + std::to_string(payloadCapacity) +
                                " bytes");
    }
    std::string record(headerSize, '\0');
    const auto put = [&record](std::size_t offset, auto value) {
        std::memcpy(record.data() + offset, &value, sizeof value);
    };
    std::memcpy(record.data(), magic, sizeof magic);
    put(kindOffset, static_cast<std::uint32_t>(kind));
    put(sequenceOffset, nextSequence_);
    put(lengthOffset, static_cast<std::uint32_t>(payload.size()));
    put(checksumOffset, checksum(std::string_view(record).substr(0, checksumOffset), payload));
    record.append(payload);

    const auto slotOffset = static_cast<off_t>((nextSequence_ % 2) * slotSize);
    std::size_t done = 0;
    while (done < record.size()) {
        const ssize_t count = ::pwrite(fd_.get(), record.data() + done, record.size() - done,
                                       slotOffset + static_cast<off_t>(done));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            failWithErrno("write", file_);
        }
        done += static_cast<std::size_t>(count);
    }
    ++nextSequence_;
    latestKind_ = kind;
    flusher_->written();
}

void StateJournal::flush() {
    flusher_->flush();
}

}  // namespace kindora
