#include "core/common/PollingLoop.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>

#include "core/common/InterruptibleWait.hpp"
#include "tests/support/VirtualTime.hpp"

namespace kindora {
namespace {

// A tick the test can hold open, to observe what happens while a tick is running.
class GatedTick {
public:
    double operator()(StopToken stop) {
        std::unique_lock lock(mutex_);
        ++started_;
        ++running_;
        maxConcurrent_ = std::max(maxConcurrent_, running_);
        changed_.notify_all();
        interruptibleWait(changed_, lock, stop, [&] { return open_ || released_ > 0; });
        if (released_ > 0) {
            --released_;
        }
        --running_;
        ++finished_;
        changed_.notify_all();
        return delay_;
    }

    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    void releaseOne() {
        std::lock_guard lock(mutex_);
        ++released_;
        changed_.notify_all();
    }
    bool waitStarted(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return started_ >= count; });
    }
    bool waitFinished(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return finished_ >= count; });
    }
    int started() {
        std::lock_guard lock(mutex_);
        return started_;
    }
    int maxConcurrent() {
        std::lock_guard lock(mutex_);
        return maxConcurrent_;
    }
    void setDelay(double delay) {
        std::lock_guard lock(mutex_);
        delay_ = delay;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    int released_ = 0;
    int started_ = 0;
    int finished_ = 0;
    int running_ = 0;
    int maxConcurrent_ = 0;
    double delay_ = 5;
};

class PollingLoopTest : public ::testing::Test {
protected:
    testing::VirtualTime time;
    GatedTick gate;
    PollingLoop loop{"Test", time.sleeper(), [this](StopToken stop) { return gate(std::move(stop)); }};
};

TEST_F(PollingLoopTest, TicksThenWaitsTheReturnedDelay) {
    gate.open();
    gate.setDelay(7);
    loop.start();
    ASSERT_TRUE(time.waitForSleepers(1));
    EXPECT_EQ(gate.started(), 1);
    EXPECT_EQ(time.pendingDelays(), std::vector<double>{7});
    time.advance(7);
    ASSERT_TRUE(time.waitForSleepCount(2));
    EXPECT_EQ(gate.started(), 2);
    loop.stop();
}

TEST_F(PollingLoopTest, TickNowCutsTheWaitShort) {
    gate.open();
    gate.setDelay(300);
    loop.start();
    ASSERT_TRUE(time.waitForSleepCount(1));
    loop.tickNow();
    ASSERT_TRUE(time.waitForSleepCount(2));
    EXPECT_EQ(gate.started(), 2);
    loop.stop();
}

TEST_F(PollingLoopTest, TickNowDuringATickKeepsTheNextWait) {
    loop.start();
    ASSERT_TRUE(gate.waitStarted(1));
    loop.tickNow();
    gate.releaseOne();
    ASSERT_TRUE(time.waitForSleepers(1));
    EXPECT_EQ(gate.started(), 1);
    EXPECT_EQ(time.pendingDelays(), std::vector<double>{5});
    loop.stop();
}

TEST_F(PollingLoopTest, ALoopThatRunsAnotherTickAnswersAWakeDuringATickAtOnceUnlessTheTickKeepsItsWait) {
    std::atomic<bool> keepWait = false;
    PollingLoop* self = nullptr;
    PollingLoop eager{"Eager", time.sleeper(),
                      [&](StopToken stop) {
                          const double delay = gate(std::move(stop));
                          if (keepWait) {
                              self->keepNextWait();
                          }
                          return delay;
                      },
                      PollingLoop::WakeDuringTick::runsAnotherTick};
    self = &eager;
    eager.start();
    ASSERT_TRUE(gate.waitStarted(1));
    eager.tickNow();
    eager.tickNow();  // two wakes during one tick ask for one more tick, not two
    gate.releaseOne();
    ASSERT_TRUE(gate.waitStarted(2));
    EXPECT_EQ(time.sleepCount(), 0u) << "the second tick follows the first without a wait";
    gate.releaseOne();
    ASSERT_TRUE(time.waitForSleepers(1));
    EXPECT_EQ(gate.started(), 2);
    EXPECT_EQ(time.pendingDelays(), std::vector<double>{5});

    keepWait = true;  // a tick that backs off keeps its wait even when woken during it
    eager.tickNow();
    ASSERT_TRUE(gate.waitStarted(3));
    eager.tickNow();
    gate.releaseOne();
    ASSERT_TRUE(time.waitForSleepCount(2));
    EXPECT_EQ(gate.started(), 3);
    EXPECT_EQ(time.pendingDelays(), std::vector<double>{5});
    eager.stop();
}

TEST_F(PollingLoopTest, StopWakesASleepingLoopAtOnceAndEndsIt) {
    gate.open();
    gate.setDelay(3600);
    loop.start();
    ASSERT_TRUE(time.waitForSleepers(1));
    loop.stop();
    EXPECT_FALSE(loop.isRunning());
    // The waiting thread leaves its wait without the timeline moving.
    EXPECT_TRUE(time.waitForSleepers(0));
    loop.start();  // joins the old thread first
    ASSERT_TRUE(gate.waitStarted(2));
    loop.stop();
}

TEST_F(PollingLoopTest, StopCancelsTheRunningTicksStopToken) {
    loop.start();
    ASSERT_TRUE(gate.waitStarted(1));
    loop.stop();  // the gated tick waits on its stop token, so it returns now
    ASSERT_TRUE(gate.waitFinished(1));
    EXPECT_EQ(time.sleepCount(), 0u);
}

TEST_F(PollingLoopTest, StartAfterStopNeverRunsTwoTicksAtOnce) {
    for (int round = 1; round <= 20; ++round) {
        loop.start();
        ASSERT_TRUE(gate.waitStarted(round));
        loop.stop();
        gate.releaseOne();
    }
    loop.start();
    gate.open();
    loop.stop();
    EXPECT_EQ(gate.maxConcurrent(), 1);
}

TEST_F(PollingLoopTest, StartTwiceRunsOneLoop) {
    gate.open();
    loop.start();
    loop.start();
    ASSERT_TRUE(time.waitForSleepers(1));
    EXPECT_EQ(gate.started(), 1);
    EXPECT_EQ(time.sleeperCount(), 1u);
    loop.stop();
}

TEST(PollingLoop, ATickMayStopItsOwnLoop) {
    testing::VirtualTime time;
    std::atomic<int> ticks = 0;
    {
        std::unique_ptr<PollingLoop> loop;
        std::promise<void> ticked;
        loop = std::make_unique<PollingLoop>("Test", time.sleeper(), [&](StopToken) {
            ++ticks;
            loop->stop();
            ticked.set_value();
            return 5.0;
        });
        loop->start();
        ticked.get_future().wait();
    }  // destruction joins the loop's thread
    EXPECT_EQ(ticks.load(), 1);
    EXPECT_EQ(time.sleepCount(), 0u);
}

TEST(PollingLoop, ATickThatThrowsIsContainedAndRetriedLater) {
    testing::VirtualTime time;
    std::atomic<int> ticks = 0;
    PollingLoop loop("Test", time.sleeper(), [&](StopToken) -> double {
        ++ticks;
        throw std::runtime_error("boom");
    });
    loop.start();
    ASSERT_TRUE(time.waitForSleepers(1));
    EXPECT_EQ(time.pendingDelays(), std::vector<double>{60});
    loop.stop();
}

}  // namespace
}  // namespace kindora
