#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/common/AgentPaths.hpp"
#include "core/sync/FileWatermarkStore.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/sync/StateWriterPattern.hpp"

extern char** environ;

namespace kindora::testing {
namespace {

// A process saving state.json in a loop, killed with SIGKILL at a moment chosen by the test.
class StateWriterProcess {
public:
    StateWriterProcess(const std::filesystem::path& directory, std::int64_t firstRowID) {
        const std::string program = std::string(KINDORA_BINARY_DIR) + "/tests/sync/kindora_sync_state_writer";
        std::string directoryArgument = directory.string();
        std::string firstArgument = std::to_string(firstRowID);
        char* arguments[] = {const_cast<char*>(program.c_str()), directoryArgument.data(),
                             firstArgument.data(), nullptr};
        if (posix_spawn(&pid_, program.c_str(), nullptr, nullptr, arguments, environ) != 0) {
            throw std::runtime_error("cannot start " + program);
        }
    }
    StateWriterProcess(const StateWriterProcess&) = delete;
    StateWriterProcess& operator=(const StateWriterProcess&) = delete;
    ~StateWriterProcess() { kill(); }

    void kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
        }
    }

private:
    pid_t pid_ = -1;
};

TEST(StateFileCrash, AWriterKilledAtRandomMomentsAlwaysLeavesAWholeOldOrNewState) {
    LogCapture logs;
    const auto directory = AgentPaths::dataDirectory();
    FileWatermarkStore store(directory);
    std::mt19937_64 random(std::random_device{}());
    std::int64_t lastSeen = 0;

    for (int round = 0; round < 25; ++round) {
        StateWriterProcess writer(directory, lastSeen + 1);
        // The moment of the kill is picked by progress, not by a clock: after a random number of saves.
        const std::int64_t killAfter = lastSeen + 1 + static_cast<std::int64_t>(random() % 25);
        std::int64_t observed = lastSeen;
        for (std::int64_t polls = 0; observed < killAfter && polls < 50'000'000; ++polls) {
            if (const auto state = store.load()) {
                ASSERT_EQ(*state, StateWriterPattern::state(state->lastRowID)) << "a mixed state was read";
                observed = state->lastRowID;
            }
            if (random() % 7 == 0 && observed > 0 && observed >= killAfter - 3) {
                break;  // sometimes kill a little before the target, in the middle of any step
            }
        }
        writer.kill();

        const auto survivor = store.load();
        ASSERT_TRUE(survivor) << "round " << round;
        EXPECT_EQ(*survivor, StateWriterPattern::state(survivor->lastRowID));
        EXPECT_GE(survivor->lastRowID, lastSeen) << "an older state came back";
        lastSeen = survivor->lastRowID;
    }
    EXPECT_FALSE(logs.contains("state.json is corrupt"));

    // The killed writers' temporary files go when the next agent opens its store.
    FileWatermarkStore nextStart(directory);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"state.journal", "state.json"}));
}

}  // namespace
}  // namespace kindora::testing
