#include "core/common/Log.hpp"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kindora
