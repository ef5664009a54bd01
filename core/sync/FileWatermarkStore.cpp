#include "core/sync/FileWatermarkStore.hpp"

#include <chrono>
#include <ctime>
#include <exception>
#include <system_error>
#include <utility>

#include "core/common/AtomicFile.hpp"

namespace kindora {

FileWatermarkStore::FileWatermarkStore(std::filesystem::path directory)
    : directory_(std::move(directory)),
      fileURL_(directory_ / fileName),
      journalURL_(directory_ / journalFileName) {
    removeLeftoverTemporaries();
}

void FileWatermarkStore::removeLeftoverTemporaries() {
    // A process killed in the middle of a save leaves its temporary file behind; only one agent
    // writes here, so whatever a new store finds is such a leftover.
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory_, error)) {
        const std::string name = entry.path().filename().string();
        for (const std::string target : {fileName, journalFileName}) {
            const std::string prefix = "." + target + ".";
            if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0) {
                std::filesystem::remove(entry.path(), error);
            }
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
    if (auto recorded = loadFromJournal()) {
        return recorded;
    }
    return loadFromFile();
}

std::optional<SyncState> FileWatermarkStore::loadFromJournal() {
    std::optional<StateJournal::Record> latest;
    try {
        latest = StateJournal::readLatest(journalURL_);
    } catch (const std::exception& error) {
        throw WatermarkUnreadableError::fileUnreadable("state.journal", error.what());
    }
    if (!latest || latest->kind != StateJournal::RecordKind::state) {
        return std::nullopt;  // state.json holds everything recorded
    }
    try {
        return SyncState::decode(latest->payload);
    } catch (const SyncStateDecodingError& error) {
        // A whole record that does not decode was not written by this version; state.json is
        // older, never wrong.
        logger_.error("state.journal holds a state that cannot be read, using state.json: {}", error.what());
        return std::nullopt;
    }
}

std::optional<SyncState> FileWatermarkStore::loadFromFile() {
    std::optional<std::string> contents;
    try {
        contents = AtomicFile::read(fileURL_);
    } catch (const std::exception& error) {
        throw WatermarkUnreadableError::fileUnreadable("state.json", error.what());
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
        throw WatermarkUnreadableError(
            UserText(WatermarkUnreadableError::cannotSetAside, {UserText::verbatim(error.message())}));
    }
    logger_.error("corrupt state.json kept as {}", aside.filename().string());
}

void FileWatermarkStore::save(const SyncState& state) {
    createDirectory();
    AtomicFile::write(fileURL_, state.encode());
    markJournalCheckpointed();
    progressSinceCheckpoint_ = 0;
}

void FileWatermarkStore::saveProgress(const SyncState& state) {
    const std::string text = state.encode();
    if (++progressSinceCheckpoint_ < progressSavesPerCheckpoint &&
        text.size() <= StateJournal::payloadCapacity) {
        try {
            openJournal().append(StateJournal::RecordKind::state, text);
            return;
        } catch (const AtomicFileError& error) {
            logger_.error("state.journal cannot be written, saving state.json whole: {}", error.what());
            journal_.reset();
            journalLookedAt_ = false;  // it may still hold an older state, which the save must mark
        }
    }
    save(state);
}

StateJournal& FileWatermarkStore::openJournal() {
    if (!journal_) {
        createDirectory();
        journal_ = StateJournal::open(journalURL_);
        journalLookedAt_ = true;
    }
    return *journal_;
}

void FileWatermarkStore::markJournalCheckpointed() {
    try {
        if (!journalLookedAt_) {
            std::error_code missing;
            if (!std::filesystem::exists(journalURL_, missing) && !missing) {
                journalLookedAt_ = true;
                return;
            }
            openJournal();
        }
        if (journal_ && journal_->latestKind() == StateJournal::RecordKind::state) {
            journal_->append(StateJournal::RecordKind::checkpoint, {});
            // On the disk with state.json: a state record outliving it there would load as newer.
            journal_->flush();
        }
    } catch (const AtomicFileError& error) {
        // A state record left in the journal would be read as newer than the state.json just written.
        logger_.error("state.journal cannot be marked as checkpointed, removing it: {}", error.what());
        journal_.reset();
        removeFile(journalURL_, "cannot delete the sync state journal");
        journalLookedAt_ = true;
    }
}

void FileWatermarkStore::createDirectory() {
    if (std::filesystem::create_directories(directory_)) {
        // Only the agent reads its state; a directory made here gets the data directory's mode.
        std::filesystem::permissions(directory_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
    }
}

void FileWatermarkStore::reset() {
    // The journal first: a crash in between leaves the old state.json, as if nothing was reset.
    journal_.reset();
    journalLookedAt_ = true;
    removeFile(journalURL_, "cannot delete the sync state journal");
    removeFile(fileURL_, "cannot delete the sync state");
}

void FileWatermarkStore::removeFile(const std::filesystem::path& file, const char* what) {
    std::error_code error;
    std::filesystem::remove(file, error);
    if (error && error != std::errc::no_such_file_or_directory) {
        throw std::filesystem::filesystem_error(what, file, error);
    }
}

}  // namespace kindora
