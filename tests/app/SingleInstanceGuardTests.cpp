#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/platform/SingleInstanceGuard.hpp"
#include "tests/app/ChildProcess.hpp"
#include "tests/app/QtTestApplication.hpp"

namespace kindora {
namespace {

namespace fs = std::filesystem;
using Role = SingleInstanceGuard::Role;

// Whether some process holds the lock file, asked the way another flock(1) would.
bool lockIsHeld(const fs::path& lock) {
    return std::system(("flock --nonblock " + lock.string() + " true").c_str()) != 0;
}

fs::path freshDirectory() {
    const fs::path directory = fs::path(std::getenv("HOME")) / "data";
    fs::create_directories(directory);
    return directory;
}

TEST(SingleInstanceGuard, ASecondLaunchHandsOverToTheRunningAgentAndTheAgentIsAskedToShowItself) {
    testing::qtApplication();
    const auto directory = freshDirectory();
    SingleInstanceGuard first(directory);
    int activations = 0;
    QObject::connect(&first, &SingleInstanceGuard::activationRequested, [&] { ++activations; });
    ASSERT_EQ(first.claim(), Role::primary);

    SingleInstanceGuard second(directory);
    EXPECT_EQ(second.claim(), Role::secondary);
    EXPECT_TRUE(testing::processEventsUntil([&] { return activations == 1; }));

    // Once the agent is gone, the next launch becomes the agent.
    first.release();
    SingleInstanceGuard third(directory);
    EXPECT_EQ(third.claim(), Role::primary);
}

TEST(SingleInstanceGuard, FilesLeftByACrashedAgentDoNotBlockANewStart) {
    testing::qtApplication();
    const auto directory = freshDirectory();
    // A crashed agent: it held the lock (here through flock(1)) and left its lock and socket files.
    std::ofstream(directory / "kindora.socket") << "stale";
    {
        testing::ChildProcess holder(
            {"flock", "--exclusive", "--no-fork", (directory / "kindora.lock").string(), "sleep", "60"});
        ASSERT_TRUE(testing::processEventsUntil([&] { return lockIsHeld(directory / "kindora.lock"); }));
        holder.stop(SIGKILL);
    }
    ASSERT_TRUE(fs::exists(directory / "kindora.lock"));

    SingleInstanceGuard next(directory);
    int activations = 0;
    QObject::connect(&next, &SingleInstanceGuard::activationRequested, [&] { ++activations; });
    EXPECT_EQ(next.claim(), Role::primary);

    SingleInstanceGuard later(directory);
    EXPECT_EQ(later.claim(), Role::secondary);
    EXPECT_TRUE(testing::processEventsUntil([&] { return activations == 1; }));
}

TEST(SingleInstanceGuard, ARelaunchWaitsForThePreviousAgentToExit) {
    testing::qtApplication();
    const auto directory = freshDirectory();
    testing::ChildProcess previous(
        {"flock", "--exclusive", "--no-fork", (directory / "kindora.lock").string(), "sleep", "1"});
    ASSERT_TRUE(testing::processEventsUntil([&] { return lockIsHeld(directory / "kindora.lock"); }));

    SingleInstanceGuard relaunched(directory);
    EXPECT_EQ(relaunched.claim(std::chrono::seconds(10)), Role::primary);
}

}  // namespace
}  // namespace kindora
