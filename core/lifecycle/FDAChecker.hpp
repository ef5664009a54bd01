#pragma once

#include <filesystem>

namespace kindora {

// Whether the agent may read the Messages database (on macOS only with Full Disk Access; elsewhere
// whether the file is there and readable). Blocks up to SQLite's 2-second busy time-out, so callers
// on the main thread run it on a background task.
namespace FDAChecker {

// True when a read-only connection can run a query on the `message` table, and also when the query
// fails only because another process holds a lock: a locked database was opened and read. Every
// other failure (missing file, denied open, not a database, no such table) gives false; it never throws.
bool hasFullDiskAccess(const std::filesystem::path& chatDBPath);

}  // namespace FDAChecker
}  // namespace kindora
