// The session lock source against a real D-Bus daemon of its own, used as both the system and the
// session bus, with a stand-in logind session and a stand-in screen saver answered on the test's
// thread.
#include "core/agent/LogindSessionLockSource.hpp"

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "tests/support/PrivateSystemBus.hpp"

namespace kindora {
namespace {

using namespace std::chrono_literals;
using testing::PrivateSystemBus;

constexpr const char* sessionPath = "/org/freedesktop/login1/session/_7";

int answerSession(sd_bus_message* message, void*, sd_bus_error*) {
    return sd_bus_reply_method_return(message, "o", sessionPath);
}

int readLockedHint(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* locked,
                   sd_bus_error*) {
    return sd_bus_message_append(reply, "b", *static_cast<bool*>(locked) ? 1 : 0);
}

const sd_bus_vtable managerVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("GetSessionByPID", "u", "o", answerSession, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("GetSession", "s", "o", answerSession, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};

const sd_bus_vtable sessionVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("LockedHint", "b", readLockedHint, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_VTABLE_END};

// logind with one session, and the desktop's screen saver, on one connection that the test pumps.
class DesktopStandIn {
public:
    DesktopStandIn() {
        EXPECT_GE(sd_bus_open_system(&bus_), 0);
        EXPECT_GE(sd_bus_add_object_vtable(bus_, nullptr, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                           managerVtable, nullptr),
                  0);
        EXPECT_GE(sd_bus_add_object_vtable(bus_, nullptr, sessionPath, "org.freedesktop.login1.Session",
                                           sessionVtable, &locked_),
                  0);
        EXPECT_GE(sd_bus_request_name(bus_, "org.freedesktop.login1", 0), 0);
    }
    ~DesktopStandIn() { sd_bus_flush_close_unref(bus_); }

    // As a locker does: LockedHint changes, with the request signal logind sends beside it.
    void setLocked(bool locked) {
        locked_ = locked;
        EXPECT_GE(sd_bus_emit_signal(bus_, sessionPath, "org.freedesktop.login1.Session", locked ? "Lock" : "Unlock",
                                     ""),
                  0);
        EXPECT_GE(sd_bus_emit_properties_changed(bus_, sessionPath, "org.freedesktop.login1.Session", "LockedHint",
                                                 nullptr),
                  0);
    }

    void setScreenSaverActive(bool active) {
        EXPECT_GE(sd_bus_emit_signal(bus_, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
                                     "ActiveChanged", "b", active ? 1 : 0),
                  0);
    }

    // Answers the bus until `done` holds or 10 s pass.
    template <typename Condition>
    bool pumpUntil(Condition done) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            while (sd_bus_process(bus_, nullptr) > 0) {
            }
            sd_bus_wait(bus_, 20'000);
        }
        return true;
    }

    // Answers the bus for a while, for a report that must not come.
    void pumpFor(std::chrono::milliseconds span) {
        const auto end = std::chrono::steady_clock::now() + span;
        pumpUntil([&] { return std::chrono::steady_clock::now() > end; });
    }

private:
    sd_bus* bus_ = nullptr;
    bool locked_ = false;
};

class Reports {
public:
    void add(bool locked) {
        const std::lock_guard lock(mutex_);
        reports_.push_back(locked);
    }
    std::vector<bool> all() {
        const std::lock_guard lock(mutex_);
        return reports_;
    }

private:
    std::mutex mutex_;
    std::vector<bool> reports_;
};

TEST(LogindSessionLockSource, TheSessionIsLockedWhileLogindOrTheScreenSaverSaysSo) {
    const PrivateSystemBus bus;
    ASSERT_TRUE(bus.isRunning());
    ::setenv("DBUS_SESSION_BUS_ADDRESS", std::getenv("DBUS_SYSTEM_BUS_ADDRESS"), 1);
    DesktopStandIn desktop;
    Reports reports;
    LogindSessionLockSource source;
    source.start([&reports](bool locked) { reports.add(locked); });
    ASSERT_TRUE(desktop.pumpUntil([&] { return reports.all() == std::vector<bool>{false}; }))
        << "the state as soon as it is known";

    desktop.setLocked(true);
    ASSERT_TRUE(desktop.pumpUntil([&] { return reports.all().size() == 2; }));
    desktop.setScreenSaverActive(true);
    desktop.setLocked(false);  // the screen saver still covers the screen
    desktop.pumpFor(300ms);
    EXPECT_EQ(reports.all(), (std::vector<bool>{false, true})) << "still locked, nothing new to tell";
    desktop.setScreenSaverActive(false);
    ASSERT_TRUE(desktop.pumpUntil([&] { return reports.all().size() == 3; }));
    EXPECT_EQ(reports.all(), (std::vector<bool>{false, true, false}));

    const auto before = std::chrono::steady_clock::now();
    source.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s) << "stopping is prompt";
    desktop.setLocked(true);
    desktop.pumpFor(200ms);
    EXPECT_EQ(reports.all().size(), 3u) << "nothing is told after stop";
}

}  // namespace
}  // namespace kindora
