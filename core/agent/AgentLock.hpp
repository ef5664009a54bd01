#pragma once

#include <filesystem>
#include <string_view>

#include "core/agent/AgentAlreadyRunningError.hpp"

namespace kindora {

// The one agent of a data directory: an exclusive flock on "kindora.lock" there, holding the
// process id and program of its holder ("4242 kindora-headless"). Two agents on one directory would
// forward every message twice and interleave their writes to the state. The kernel drops the lock
// with its process (the descriptor is close-on-exec, so a program the agent starts does not keep
// it), so a lock file left by a crash never blocks a new start.
class AgentLock {
public:
    static constexpr std::string_view fileName = "kindora.lock";

    // Takes the lock for `program`. When another process holds it: with `waitForHolder`, waits for as
    // long as that process lives (a relaunch after an update waits for the agent it replaces);
    // otherwise, or when the holder cannot be told apart, throws AgentAlreadyRunningError naming it.
    // Throws std::system_error when the lock file cannot be opened.
    static AgentLock acquire(const std::filesystem::path& directory, std::string_view program,
                             bool waitForHolder = false);

    AgentLock(AgentLock&& other) noexcept;
    AgentLock& operator=(AgentLock&&) = delete;
    AgentLock(const AgentLock&) = delete;
    AgentLock& operator=(const AgentLock&) = delete;
    ~AgentLock();

private:
    explicit AgentLock(int descriptor) : descriptor_(descriptor) {}

    int descriptor_ = -1;
};

}  // namespace kindora
