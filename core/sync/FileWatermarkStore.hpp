#pragma once

#include <filesystem>
#include <optional>

#include "core/common/Log.hpp"
#include "core/common/StagedFile.hpp"
#include "core/sync/WatermarkStore.hpp"

namespace kindora {

// The sync state as "state.json" in a directory (normally the agent's data directory). Saves are
// atomic, so a crash leaves either the old or the new file. A missing file reads as no state. A
// corrupt one is renamed aside ("state.json.corrupt-<UTC date and time>") so that it can be looked
// at, and then reads as no state. A file that exists but cannot be read is an error, never a first run.
class FileWatermarkStore final : public WatermarkStore {
public:
    static constexpr const char* fileName = "state.json";

    // Removes temporary files a killed agent left in the directory.
    explicit FileWatermarkStore(std::filesystem::path directory);

    const std::filesystem::path& fileURL() const { return fileURL_; }

    // Throws WatermarkUnreadableError when the file cannot be read, or is corrupt and cannot be
    // renamed aside.
    std::optional<SyncState> load() override;
    // Creates the directory (0700) when missing; throws AtomicFileError or filesystem_error.
    void save(const SyncState& state) override;
    // Writes and flushes the state under a temporary name; a save of an equal state then renames it
    // into place, which halves the time the save takes. Throws like save().
    void stage(const SyncState& state) override;
    // Deleting a file that is already gone is no failure; throws std::filesystem::filesystem_error.
    void reset() override;

private:
    struct Staged {
        SyncState state;
        StagedFile file;
    };

    void setAside();
    void removeLeftoverTemporaries();
    void createDirectory();

    std::filesystem::path directory_;
    std::filesystem::path fileURL_;
    Log logger_{"Sync"};
    std::optional<Staged> staged_;  // deleted from disk unless a save puts it in place
};

}  // namespace kindora
