#include "core/common/BackgroundTask.hpp"
#include "core/common/RetiredTasks.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <stdexcept>
#include <string>
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

// A controller that cancels work stuck in a call that ignores the stop request (a keyring prompt, a
// database lock) goes on at once: nothing joins the work's thread, what it posts later is dropped, and
// it is forgotten once it has returned. Were retiring to wait, this test would never end.
TEST(BackgroundTask, ARetiredTaskIsNotWaitedForAndIsForgottenOnceItsWorkReturns) {
    testing::ManualMainQueue mainQueue;
    std::promise<void> callReturns;
    std::atomic<bool> started = false;
    bool posted = false;
    RetiredTasks retired;
    auto task = std::make_unique<BackgroundTask>(
        mainQueue, [&, call = callReturns.get_future().share()](const BackgroundTask::Context& context) {
            started = true;
            call.wait();  // deaf to the stop request
            context.post([&posted] { posted = true; });
        });
    const BackgroundTask& work = *task;
    while (!started) {
        std::this_thread::yield();
    }

    retired.retire(std::move(task));
    EXPECT_TRUE(work.isCancelled());
    EXPECT_FALSE(work.isFinished());
    EXPECT_EQ(retired.size(), 1U);

    callReturns.set_value();
    while (!work.isFinished()) {
        std::this_thread::yield();
    }
    mainQueue.drain();
    EXPECT_FALSE(posted) << "a cancelled task's continuation ran";
    retired.retire(nullptr);
    EXPECT_EQ(retired.size(), 0U) << "a task whose work returned is kept";
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

#include "core/common/PostScope.hpp"
#include "core/common/RunLoopMainQueue.hpp"

namespace kindora {
namespace {

// Deadlines on the main queue: due on the virtual timeline in order, dropped with the scope that
// posted them, and a new scope (a replaced deadline) unaffected by the old one's end.
TEST(PostScope, DelayedWorkRunsWhenDueAndNeverAfterItsScopeEnds) {
    testing::VirtualTime time;
    testing::ManualMainQueue queue(time);
    std::vector<std::string> ran;
    auto expiry = std::make_unique<PostScope>(queue);
    expiry->postAfter(60, [&] { ran.push_back("expiry at 60"); });
    PostScope boundaries(queue);
    boundaries.postAfter(30, [&] { ran.push_back("boundary at 30"); });
    boundaries.postAfter(90, [&] { ran.push_back("boundary at 90"); });
    boundaries.post([&] { ran.push_back("now"); });
    EXPECT_EQ(queue.pendingDelays(), (std::vector<double>{30, 60, 90}));

    queue.drain();
    time.advance(59);
    queue.drain();
    EXPECT_EQ(ran, (std::vector<std::string>{"now", "boundary at 30"}));

    // The expiry is moved: its old deadline is dropped, the new one comes due.
    expiry = std::make_unique<PostScope>(queue);
    expiry->postAfter(2, [&] { ran.push_back("expiry at 61"); });
    time.advance(1);
    queue.drain();
    EXPECT_EQ(ran.back(), "boundary at 30") << "the replaced deadline never runs";
    time.advance(1);
    queue.drain();
    EXPECT_EQ(ran.back(), "expiry at 61");

    boundaries.close();
    boundaries.post([&] { ran.push_back("after close"); });
    time.advance(60);
    EXPECT_EQ(queue.drain(), 2u) << "the work is dequeued, but dropped";
    EXPECT_EQ(ran.size(), 3u);
}

TEST(RunLoopMainQueue, DelayedWorkRunsInTheOrderOfItsDeadlinesAndUndueWorkEndsWithTheLoop) {
    RunLoopMainQueue queue;
    std::vector<int> order;
    queue.postAfter(0.002, [&] { order.push_back(2); });
    queue.postAfter(0.004, [&] {
        order.push_back(3);
        queue.quit();
    });
    queue.postAfter(3600, [&] { order.push_back(4); });
    queue.postAfter(0.001, [&] { order.push_back(1); });
    queue.post([&] { order.push_back(0); });
    queue.run();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
}

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
