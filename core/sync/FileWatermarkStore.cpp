#include "core/sync/FileWatermarkStore.hpp"

#include <chrono>
#include <ctime>
#include <exception>
#include <system_error>
#include <utility>

#include "core/common/AtomicFile.hpp"

namespace kindora {

FileWatermarkStore::FileWatermarkStore(std::filesystem::path directory)
    : directory_(std::move(directory)), fileURL_(directory_ / fileName) {
    removeLeftoverTemporaries();
}

void FileWatermarkStore::removeLeftoverTemporaries() {
    // A process killed while it wrote a state ahead, or in the middle of a save, leaves its temporary
    // file behind; only one agent writes here, so whatever a new store finds is such a leftover.
    const std::string prefix = "." + std::string(fileName) + ".";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory_, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0) {
            std::filesystem::remove(entry.path(), error);
        }
    }
}

namespace {

std::string utcStamp() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
    ::gmtime_r(&now, &parts);
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
    return std::string(text, length);
}

}  // namespace

std::optional<SyncState> FileWatermarkStore::load() {
    std::optional<std::string> contents;
    try {
        contents = AtomicFile::read(fileURL_);
    } catch (const std::exception& error) {
        throw WatermarkUnreadableError(std::string("state.json cannot be read: ") + error.what());
    }
    if (!contents) {
        return std::nullopt;  // never written: a first run
    }
    try {
        return SyncState::decode(*contents);
    } catch (const SyncStateDecodingError& error) {
        logger_.error("state.json is corrupt, treating as first run: {}", error.what());
    }
    setAside();
    return std::nullopt;
}

void FileWatermarkStore::setAside() {
    // The next save would overwrite the only evidence of what went wrong.
    const std::string stamp = utcStamp();
    std::filesystem::path aside = directory_ / (std::string(fileName) + ".corrupt-" + stamp);
    for (int suffix = 2; std::filesystem::exists(aside); ++suffix) {
        aside = directory_ / (std::string(fileName) + ".corrupt-" + stamp + "-" + std::to_string(suffix));
    }
    std::error_code error;
    std::filesystem::rename(fileURL_, aside, error);
    if (error) {
        throw WatermarkUnreadableError("state.json is corrupt and cannot be set aside: " + error.message());
    }
    logger_.error("corrupt state.json kept as {}", aside.filename().string());
}

void FileWatermarkStore::save(const SyncState& state) {
    std::optional<Staged> staged = std::exchange(staged_, std::nullopt);
    if (staged && staged->state == state) {
        staged->file.commit();
        return;
    }
    createDirectory();
    AtomicFile::write(fileURL_, state.encode());
}

void FileWatermarkStore::stage(const SyncState& state) {
    staged_.reset();
    createDirectory();
    staged_.emplace(Staged{state, StagedFile::stage(fileURL_, state.encode())});
}

void FileWatermarkStore::createDirectory() {
    if (std::filesystem::create_directories(directory_)) {
        // Only the agent reads its state; a directory made here gets the data directory's mode.
        std::filesystem::permissions(directory_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
    }
}

void FileWatermarkStore::reset() {
    staged_.reset();
    std::error_code error;
    std::filesystem::remove(fileURL_, error);
    if (error && error != std::errc::no_such_file_or_directory) {
        throw std::filesystem::filesystem_error("cannot delete the sync state", fileURL_, error);
    }
}

}  // namespace kindora
