#include "core/sync/FileWatermarkStore.hpp"

#include <exception>
#include <system_error>
#include <utility>

#include "core/common/AtomicFile.hpp"

namespace kindora {

FileWatermarkStore::FileWatermarkStore(std::filesystem::path directory)
    : directory_(std::move(directory)), fileURL_(directory_ / fileName) {}

std::optional<SyncState> FileWatermarkStore::load() {
    std::optional<std::string> contents;
    try {
        contents = AtomicFile::read(fileURL_);
    } catch (const std::exception&) {
        return std::nullopt;  // unreadable counts as absent, like a file that was never written
    }
    if (!contents) {
        return std::nullopt;
    }
    try {
        return SyncState::decode(*contents);
    } catch (const SyncStateDecodingError& error) {
        logger_.error("state.json is corrupt, treating as first run: {}", error.what());
        return std::nullopt;
    }
}

void FileWatermarkStore::save(const SyncState& state) {
    if (std::filesystem::create_directories(directory_)) {
        // Only the agent reads its state; a directory made here gets the data directory's mode.
        std::filesystem::permissions(directory_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
    }
    AtomicFile::write(fileURL_, state.encode());
}

void FileWatermarkStore::reset() {
    std::error_code error;
    std::filesystem::remove(fileURL_, error);
    if (error && error != std::errc::no_such_file_or_directory) {
        throw std::filesystem::filesystem_error("cannot delete the sync state", fileURL_, error);
    }
}

}  // namespace kindora
