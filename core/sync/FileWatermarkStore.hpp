#pragma once

#include <filesystem>
#include <optional>

#include "core/common/Log.hpp"
#include "core/sync/StateJournal.hpp"
#include "core/sync/WatermarkStore.hpp"

namespace kindora {

// The sync state as "state.json" in a directory (normally the agent's data directory). Saves are
// atomic, so a crash leaves either the old or the new file. A missing file reads as no state. A
// corrupt one is renamed aside ("state.json.corrupt-<UTC date and time>") so that it can be looked
// at, and then reads as no state. A file that exists but cannot be read is an error, never a first run.
//
// Progress saves go to "state.journal" beside it (see StateJournal), a tenth of the cost of replacing
// state.json; the next full save brings state.json up to date and marks the journal as checkpointed.
// A load prefers a state record in the journal, which is never older than state.json, over the file.
class FileWatermarkStore final : public WatermarkStore {
public:
    static constexpr const char* fileName = "state.json";
    static constexpr const char* journalFileName = "state.journal";
    // state.json is brought up to date after this many progress saves in a row, so that it lags a
    // long drain by at most that many batches for whatever reads only the file.
    static constexpr int progressSavesPerCheckpoint = 1000;

    // Removes temporary files a killed agent left in the directory.
    explicit FileWatermarkStore(std::filesystem::path directory);

    const std::filesystem::path& fileURL() const { return fileURL_; }

    // Throws WatermarkUnreadableError when the file cannot be read, or is corrupt and cannot be
    // renamed aside.
    std::optional<SyncState> load() override;
    // Writes state.json, then marks the journal as checkpointed. Creates the directory (0700) when
    // missing; throws AtomicFileError or filesystem_error.
    void save(const SyncState& state) override;
    // Records the state in the journal; every progressSavesPerCheckpoint-th state, a state too large
    // for the journal, or one the journal cannot take is saved whole instead. Throws like save().
    void saveProgress(const SyncState& state) override;
    // Removes the journal and state.json. Deleting a file that is already gone is no failure; throws
    // std::filesystem::filesystem_error.
    void reset() override;

private:
    std::optional<SyncState> loadFromJournal();
    std::optional<SyncState> loadFromFile();
    void setAside();
    void removeLeftoverTemporaries();
    void createDirectory();
    StateJournal& openJournal();
    void markJournalCheckpointed();
    void removeFile(const std::filesystem::path& file, const char* what);

    std::filesystem::path directory_;
    std::filesystem::path fileURL_;
    std::filesystem::path journalURL_;
    Log logger_{"Sync"};
    std::optional<StateJournal> journal_;  // opened by the first save that needs it
    bool journalLookedAt_ = false;         // whether a journal an earlier run left has been opened
    int progressSinceCheckpoint_ = 0;
};

}  // namespace kindora
