#include "core/common/Log.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/support/LogCapture.hpp"

namespace kindora {
namespace {

TEST(Log, EachCategoryWritesUnderItsOwnNameAtItsLevel) {
    testing::LogCapture capture;
    Log sync("Sync");
    Log heartbeat("Heartbeat");
    sync.error("sync tick failed, backing off: {}", "Backend unreachable");
    heartbeat.debug("heartbeat ok");
    heartbeat.fault("crashed");
    const auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].category, "Sync");
    EXPECT_EQ(lines[0].level, LogLevel::error);
    EXPECT_EQ(lines[0].message, "sync tick failed, backing off: Backend unreachable");
    EXPECT_EQ(lines[1].level, LogLevel::debug);
    EXPECT_EQ(lines[2].level, LogLevel::fault);
    EXPECT_TRUE(capture.contains("heartbeat ok", "Heartbeat"));
    EXPECT_FALSE(capture.contains("heartbeat ok", "Sync"));
}

TEST(Log, LinesFromManyThreadsAreAllCaptured) {
    testing::LogCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            Log log("Threads");
            for (int i = 0; i < 100; ++i) {
                log.info("line {} {}", t, i);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(capture.messages("Threads").size(), 400u);
}

// The log file is the user's alone and never inherited by a program the agent starts, also after it
// was rotated and opened anew.
TEST(Log, TheFileStaysPrivateAndOutOfStartedProgramsAcrossRotations) {
    const auto directory = std::filesystem::path(std::getenv("HOME")) / "private-log";
    std::filesystem::create_directories(directory);
    const auto file = directory / "kindora.log";
    ::umask(022);  // what a session usually has
    Log::addFileSink(file, 512);
    const Log log("Test");
    for (int line = 0; line < 40; ++line) {
        log.info("line {} of a log long enough to be rotated more than once", line);
    }
    Log::flush();
    ASSERT_TRUE(std::filesystem::exists(directory / "kindora.1.log")) << "rotated";
    for (const auto& path : {file, directory / "kindora.1.log"}) {
        struct stat status {};
        ASSERT_EQ(::stat(path.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0600u) << path;
    }
    int openCopies = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path(), error) == file) {
            ++openCopies;
            const int descriptor = std::stoi(entry.path().filename().string());
            EXPECT_NE(::fcntl(descriptor, F_GETFD) & FD_CLOEXEC, 0) << "inherited by programs the agent starts";
        }
    }
    EXPECT_EQ(openCopies, 1);
}

}  // namespace
}  // namespace kindora
