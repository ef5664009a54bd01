#include "core/common/Sleeper.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "core/common/InterruptibleWait.hpp"
#include "tests/support/VirtualTime.hpp"

namespace kindora {
namespace {

TEST(LiveSleeper, AStopRequestWakesALongWaitAtOnce) {
    StopSource stop;
    bool completed = true;
    std::thread sleeper([&] { completed = Sleeper::live().sleep(3600, stop.get_token()); });
    std::this_thread::yield();
    const auto requested = std::chrono::steady_clock::now();
    stop.request_stop();
    sleeper.join();
    EXPECT_FALSE(completed);
    EXPECT_LT(std::chrono::steady_clock::now() - requested, std::chrono::seconds(1));
}

TEST(LiveSleeper, ANegativeOrZeroWaitReturnsAtOnceAsCompleted) {
    EXPECT_TRUE(Sleeper::live().sleep(-5, StopToken()));
    EXPECT_TRUE(Sleeper::live().sleep(0, StopToken()));
}

TEST(LiveSleeper, AnAlreadyStoppedTokenDoesNotWait) {
    StopSource stop;
    stop.request_stop();
    EXPECT_FALSE(Sleeper::live().sleep(3600, stop.get_token()));
}

// The stop callback needs the waiter's mutex; the waiter must not hold it while it drops the callback.
TEST(InterruptibleWait, AStopRequestRacingAWakeUpNeverDeadlocks) {
    for (int round = 0; round < 200; ++round) {
        std::mutex mutex;
        std::condition_variable changed;
        bool ready = false;
        StopSource stop;
        bool woken = false;
        std::thread waiter([&] {
            std::unique_lock lock(mutex);
            woken = interruptibleWait(changed, lock, stop.get_token(), [&] { return ready; });
        });
        std::unique_lock lock(mutex);
        ready = true;
        std::thread stopper([&] { stop.request_stop(); });
        lock.unlock();
        changed.notify_all();
        stopper.join();
        waiter.join();
        EXPECT_TRUE(woken);
    }
}

TEST(VirtualTime, ASleeperWakesOnlyWhenTheTimelinePassesItsDeadline) {
    testing::VirtualTime time;
    bool completed = false;
    std::thread sleeper([&] { completed = time.sleeper().sleep(10, StopToken()); });
    ASSERT_TRUE(time.waitForSleepers(1));
    time.advance(9.5);
    EXPECT_EQ(time.sleeperCount(), 1u);
    time.advance(0.5);
    sleeper.join();
    EXPECT_TRUE(completed);
    EXPECT_EQ(time.requestedSleeps(), std::vector<double>{10});
}

TEST(VirtualTime, AStoppedVirtualSleepReturnsFalseWithoutAdvancingTime) {
    testing::VirtualTime time;
    const Date start = time.now();
    StopSource stop;
    bool completed = true;
    std::thread sleeper([&] { completed = time.sleeper().sleep(60, stop.get_token()); });
    ASSERT_TRUE(time.waitForSleepers(1));
    stop.request_stop();
    sleeper.join();
    EXPECT_FALSE(completed);
    EXPECT_EQ(time.now(), start);
    EXPECT_EQ(time.sleeperCount(), 0u);
}

}  // namespace
}  // namespace kindora
