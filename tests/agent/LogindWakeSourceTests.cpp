// The logind wake source against a real D-Bus daemon of its own, used as the system bus, with a small
// stand-in for logind that owns its name and announces sleep and wake as logind does.
#include "core/agent/LogindWakeSource.hpp"

#include <gtest/gtest.h>
#include <signal.h>
#include <systemd/sd-bus.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>

#include "tests/support/LogCapture.hpp"
#include "tests/support/PrivateSystemBus.hpp"

namespace kindora {
namespace {

using namespace std::chrono_literals;
using testing::PrivateSystemBus;

// Owns org.freedesktop.login1 on the bus and sends its PrepareForSleep signal.
class LogindStandIn {
public:
    LogindStandIn() {
        EXPECT_GE(sd_bus_open_system(&bus_), 0);
        EXPECT_GE(sd_bus_request_name(bus_, "org.freedesktop.login1", 0), 0);
    }
    ~LogindStandIn() { sd_bus_flush_close_unref(bus_); }

    void prepareForSleep(bool start) {
        ASSERT_GE(sd_bus_emit_signal(bus_, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                     "PrepareForSleep", "b", start ? 1 : 0),
                  0);
        ASSERT_GE(sd_bus_flush(bus_), 0);
    }

private:
    sd_bus* bus_ = nullptr;
};

class WakeCounter {
public:
    void wake() {
        std::lock_guard lock(mutex_);
        ++wakes_;
        changed_.notify_all();
    }
    bool waitFor(int wakes) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] { return wakes_ >= wakes; });
    }
    int wakes() {
        std::lock_guard lock(mutex_);
        return wakes_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int wakes_ = 0;
};

TEST(LogindWakeSource, HearsEachWakeFromLogindButNotTheAnnouncedSleep) {
    PrivateSystemBus bus;
    ASSERT_TRUE(bus.isRunning());
    LogindStandIn logind;
    WakeCounter counter;
    LogindWakeSource source;
    source.start([&] { counter.wake(); });

    logind.prepareForSleep(true);  // going to sleep: nothing to do
    logind.prepareForSleep(false);
    ASSERT_TRUE(counter.waitFor(1));
    logind.prepareForSleep(false);
    ASSERT_TRUE(counter.waitFor(2));

    source.stop();
    logind.prepareForSleep(false);
    EXPECT_EQ(counter.wakes(), 2) << "the sleep announcement is no wake, and nothing is heard after stop()";
}

TEST(LogindWakeSource, WithoutASystemBusItSaysSoOnceAndStopsPromptly) {
    testing::LogCapture log;
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/kindora-no-bus", 1);
    LogindWakeSource source;
    source.start([] { ADD_FAILURE() << "no wake without a bus"; });
    source.stop();
    EXPECT_EQ(log.count("Cannot listen for wake from sleep"), 1u);
}

}  // namespace
}  // namespace kindora
