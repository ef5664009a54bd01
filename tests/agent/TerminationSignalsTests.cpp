#include "core/agent/TerminationSignals.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace kindora {
namespace {

// A person presses Ctrl-C (or the session sends SIGTERM) and the clean shutdown hangs; the second
// signal ends the process at once, after the last save and with the signal's exit status. The
// process is a child of the test's own (a death test, re-run from scratch so that no other thread
// exists when the signals are blocked), whose shutdown never finishes.
TEST(TerminationSignals, ASecondSignalDuringAStuckShutdownEndsTheProcessAfterTheLastSave) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The same name in the child, which is this test run again: each test process has a temporary
    // directory of its own.
    const auto saved = std::filesystem::path(::testing::TempDir()) / "last-save";
    std::filesystem::remove(saved);

    EXPECT_EXIT(
        {
            std::atomic<int> shutdownRequests = 0;
            TerminationSignals signals([&] { ++shutdownRequests; });
            signals.setLastSave([&] {
                std::ofstream(saved) << "saved after " << shutdownRequests << " shutdown request(s)";
            });
            if (std::signal(SIGPIPE, SIG_DFL) != SIG_IGN) {
                std::_Exit(3);  // a closed socket would have killed the agent
            }
            ::kill(::getpid(), SIGTERM);
            while (shutdownRequests == 0) {
                std::this_thread::yield();
            }
            ::kill(::getpid(), SIGINT);
            for (;;) {
                ::pause();  // the shutdown that never ends
            }
        },
        ::testing::ExitedWithCode(128 + SIGINT), "");

    std::ifstream file(saved);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "saved after 1 shutdown request(s)");
    std::filesystem::remove(saved);
}

}  // namespace
}  // namespace kindora
