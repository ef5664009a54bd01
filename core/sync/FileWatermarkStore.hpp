#pragma once

#include <filesystem>

#include "core/common/Log.hpp"
#include "core/sync/WatermarkStore.hpp"

namespace kindora {

// The sync state as "state.json" in a directory (normally the agent's data directory). Saves are
// atomic, so a crash leaves either the old or the new file; a missing or corrupt file reads as no
// state, and the next save replaces it.
class FileWatermarkStore final : public WatermarkStore {
public:
    static constexpr const char* fileName = "state.json";

    explicit FileWatermarkStore(std::filesystem::path directory);

    const std::filesystem::path& fileURL() const { return fileURL_; }

    std::optional<SyncState> load() override;
    // Creates the directory (0700) when missing; throws AtomicFileError or filesystem_error.
    void save(const SyncState& state) override;
    // Deleting a file that is already gone is no failure; throws std::filesystem::filesystem_error.
    void reset() override;

private:
    std::filesystem::path directory_;
    std::filesystem::path fileURL_;
    Log logger_{"Sync"};
};

}  // namespace kindora
