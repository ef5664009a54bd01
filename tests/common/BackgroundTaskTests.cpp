#include "core/common/BackgroundTask.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tests/support/LogCapture.hpp"
#include "tests/support/ManualMainQueue.hpp"
#include "tests/support/VirtualTime.hpp"

namespace kindora {
namespace {

TEST(BackgroundTask, TheContinuationRunsOnTheMainQueue) {
    testing::ManualMainQueue mainQueue;
    int result = 0;
    BackgroundTask task(mainQueue, [&](const BackgroundTask::Context& context) {
        int computed = 42;  // not const: clang finds a capture of a constant unneeded
        context.post([&result, computed] { result = computed; });
    });
    ASSERT_TRUE(mainQueue.drainUntil([&] { return result != 0; }));
    EXPECT_EQ(result, 42);
}

TEST(BackgroundTask, AContinuationPostedBeforeCancelDoesNotRunAfterIt) {
    testing::ManualMainQueue mainQueue;
    std::atomic<bool> posted = false;
    bool ran = false;
    BackgroundTask task(mainQueue, [&](const BackgroundTask::Context& context) {
        context.post([&ran] { ran = true; });
        posted = true;
    });
    while (mainQueue.size() == 0) {
        std::this_thread::yield();
    }
    task.cancel();
    mainQueue.drain();
    EXPECT_FALSE(ran);
}

TEST(BackgroundTask, DestroyingTheTaskCancelsAWaitInProgress) {
    testing::ManualMainQueue mainQueue;
    testing::VirtualTime time;
    bool ran = false;
    auto task = std::make_unique<BackgroundTask>(mainQueue, [&](const BackgroundTask::Context& context) {
        time.sleeper().sleep(3600, context.stopToken());
        context.post([&ran] { ran = true; });
    });
    ASSERT_TRUE(time.waitForSleepers(1));
    task.reset();  // returns promptly: the sleep sees the stop request
    mainQueue.drain();
    EXPECT_FALSE(ran);
}

TEST(BackgroundTask, WorkThatThrowsIsLoggedAsAFaultAndWhatItPostedBeforeStillRuns) {
    testing::LogCapture logs;
    testing::ManualMainQueue mainQueue;
    bool posted = false;
    BackgroundTask task(mainQueue, [&posted](const BackgroundTask::Context& context) {
        context.post([&posted] { posted = true; });
        throw std::runtime_error("boom");
    });
    // The exception stays on the task's thread: the test goes on, and so does the main thread.
    ASSERT_TRUE(mainQueue.drainUntil(
        [&] { return posted && logs.count("background work threw: boom", "BackgroundTask") == 1; }));
    EXPECT_EQ(logs.lines().back().level, LogLevel::fault);
}

}  // namespace
}  // namespace kindora

#include "core/common/RunLoopMainQueue.hpp"

namespace kindora {
namespace {

TEST(RunLoopMainQueue, RunsPostedWorkInOrderOnTheRunningThreadUntilQuit) {
    RunLoopMainQueue queue;
    std::vector<int> order;
    const auto mainThread = std::this_thread::get_id();
    bool allOnMainThread = true;
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i) {
            queue.post([&, i] {
                order.push_back(i);
                allOnMainThread = allOnMainThread && std::this_thread::get_id() == mainThread;
            });
        }
        queue.post([&] { queue.quit(); });
    });
    queue.run();
    worker.join();
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
    }
    EXPECT_TRUE(allOnMainThread);
}

}  // namespace
}  // namespace kindora
