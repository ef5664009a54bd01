// What a crash leaves in the log: the exception's type and text and where the program was, at most
// 48 frames, in category "Crash"; and that an uncaught exception really goes through the handler.
#include "core/agent/CrashLogging.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "tests/support/LogCapture.hpp"

namespace kindora::crashtest {

// Outside an anonymous namespace: only functions with external linkage have names in a stack.
// Recurses `depth` times before taking the stack, so that it is deeper than what is logged.
__attribute__((noinline)) std::vector<std::string> stackAtDepth(int depth) {
    if (depth == 0) {
        return CrashLogging::currentStack();
    }
    auto frames = stackAtDepth(depth - 1);
    frames.shrink_to_fit();  // work after the call, so the recursion is not turned into a loop
    return frames;
}

__attribute__((noinline)) void failDeepInAThread() {
    throw std::out_of_range("the third loop broke");
}

}  // namespace kindora::crashtest

namespace kindora {
namespace {

using crashtest::failDeepInAThread;
using crashtest::stackAtDepth;

TEST(CrashLogging, ADeepStackIsCutToFortyEightFramesNumberedFromZero) {
    testing::LogCapture log;
    const auto frames = stackAtDepth(60);
    ASSERT_EQ(frames.size(), CrashLogging::maximumFrames);
    EXPECT_NE(frames.front().find("stackAtDepth"), std::string::npos) << frames.front();

    CrashLogging::logUncaughtException("uncaught", "std::runtime_error", "", frames);

    const auto lines = log.messages("Crash");
    ASSERT_EQ(lines.size(), 49u);
    EXPECT_EQ(lines.front(), "Uncaught exception (uncaught): std::runtime_error reason: <none>");
    for (std::size_t index = 0; index < 48; ++index) {
        EXPECT_EQ(lines[index + 1], "frame " + std::to_string(index) + ": " + frames[index]);
    }
    for (const auto& line : log.lines()) {
        EXPECT_EQ(line.level, LogLevel::fault);
    }
}

TEST(CrashLoggingDeathTest, AnExceptionNobodyCatchesIsLoggedBeforeTheProcessEnds) {
    EXPECT_DEATH(
        {
            CrashLogging::install();
            std::thread([] { failDeepInAThread(); }).join();
        },
        "Uncaught exception \\(uncaught\\): std::out_of_range reason: the third loop broke"
        "(.|\n)*frame 0: (.|\n)*failDeepInAThread");
}

}  // namespace
}  // namespace kindora
