#pragma once

#include <filesystem>

namespace kindora::AgentPaths {

// The agent's data directory: $XDG_DATA_HOME/Kindora (default ~/.local/share/Kindora) on Linux,
// ~/Library/Application Support/Kindora on macOS. It holds "state.json" and the meeting ledgers.
std::filesystem::path dataDirectory();

// dataDirectory(), created with mode 0700 when missing, else made 0700 when it is looser. Throws
// std::filesystem::filesystem_error, also when it is not a directory owned by this user.
std::filesystem::path ensureDataDirectory();

// The agent's cache directory, for files it can always fetch again (downloaded updates):
// $XDG_CACHE_HOME/Kindora (default ~/.cache/Kindora) on Linux, ~/Library/Caches/Kindora on macOS.
std::filesystem::path cacheDirectory();

// The user's home directory ($HOME, else the password database).
std::filesystem::path homeDirectory();

// The Messages database: the home directory plus "/Library/Messages/chat.db".
std::filesystem::path messagesDatabasePath();

}  // namespace kindora::AgentPaths
