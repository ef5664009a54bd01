#include "core/agent/AgentLock.hpp"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

extern char** environ;

namespace kindora {
namespace {

namespace fs = std::filesystem;

fs::path freshDirectory() {
    const fs::path directory = fs::path(std::getenv("HOME")) / "data";
    fs::create_directories(directory);
    return directory;
}

// An agent that stops within a second, holding the lock the way a running agent does.
pid_t startHolder(const fs::path& lock, const char* seconds) {
    const std::string script = "echo \"$$ kindora\" > '" + lock.string() + "'; sleep " + seconds;
    const char* arguments[] = {"flock", "--exclusive", "--no-fork", lock.c_str(), "sh", "-c", script.c_str(),
                               nullptr};
    pid_t pid = -1;
    if (posix_spawnp(&pid, "flock", nullptr, nullptr, const_cast<char**>(arguments), environ) != 0) {
        return -1;
    }
    return pid;
}

// One agent per directory: the second is refused with the first one named; a lock file left by a
// process that is gone blocks nothing.
TEST(AgentLock, ASecondAgentIsRefusedWithTheRunningOneNamed) {
    const auto directory = freshDirectory();
    std::ofstream(directory / AgentLock::fileName) << "99999999 kindora\n";  // left by a crash
    std::optional<AgentLock> headless(AgentLock::acquire(directory, "kindora-headless"));
    try {
        AgentLock::acquire(directory, "kindora");
        FAIL() << "two agents on one directory";
    } catch (const AgentAlreadyRunningError& running) {
        EXPECT_EQ(running.pid(), ::getpid());
        EXPECT_EQ(running.program(), "kindora-headless");
        EXPECT_NE(std::string(running.what()).find("kindora-headless (process " + std::to_string(::getpid()) + ")"),
                  std::string::npos)
            << running.what();
    }
    headless.reset();
    EXPECT_NO_THROW(AgentLock::acquire(directory, "kindora"));
}

// A relaunch after an update waits for the agent it replaces, for as long as that one lives, where
// an ordinary start is refused at once.
TEST(AgentLock, ARelaunchWaitsForThePreviousAgentAsLongAsItLives) {
    const auto directory = freshDirectory();
    const pid_t previous = startHolder(directory / AgentLock::fileName, "1.5");
    ASSERT_GT(previous, 0);
    const auto started = std::chrono::steady_clock::now();
    bool refused = false;
    while (!refused && std::chrono::steady_clock::now() - started < std::chrono::seconds(1)) {
        try {
            AgentLock::acquire(directory, "kindora");
        } catch (const AgentAlreadyRunningError& running) {
            refused = running.pid() == previous;
        }
    }
    ASSERT_TRUE(refused) << "the previous agent holds the directory";

    const AgentLock relaunched = AgentLock::acquire(directory, "kindora", true);
    int status = 0;
    EXPECT_EQ(::waitpid(previous, &status, WNOHANG), previous) << "taken only once the previous one ended";
}

}  // namespace
}  // namespace kindora
