// The network-path log over Qt's real NetworkManager backend, against a stand-in NetworkManager on a
// private D-Bus daemon used as the system bus.
#include "app/platform/NetworkPathLog.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/NetworkManagerStandIn.hpp"
#include "tests/app/QtTestApplication.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/PrivateSystemBus.hpp"

#if defined(__SANITIZE_THREAD__)
// Qt's D-Bus runs a thread of its own that hands messages to the main thread through Qt's and GLib's
// futex-based locks and atomics, and libdbus under it, none of them built for ThreadSanitizer: it
// cannot see those hand-overs and reports each as a race (or libdbus's own lock order as a deadlock).
// Only what happens inside these libraries is left out; the log and the stand-in stay fully checked.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6DBus.so.6\n"
           "called_from_lib:libdbus-1.so.3\n"
           "called_from_lib:libglib-2.0.so.0\n";
}
#endif

namespace kindora {
namespace {

using testing::NetworkManagerStandIn;

// Qt's backend is one per process and lives until the end, and Qt keeps its system-bus connection as
// long: the whole story is one test, on one bus.
TEST(NetworkPathLog, SaysOnceThatNoNetworkManagerRunsOtherwiseLogsThePathAndEachChangeAnnounced) {
    testing::qtApplication();
    testing::PrivateSystemBus bus;
    ASSERT_TRUE(bus.isRunning());
    testing::LogCapture log;
    const auto crashLines = [&] { return log.messages("Crash"); };

    {
        NetworkPathLog withoutNetworkManager;
        withoutNetworkManager.start();
        withoutNetworkManager.start();
        EXPECT_EQ(crashLines(), std::vector<std::string>{
                                    "Network path monitor unavailable: no network information backend"});
    }
    log.clear();

    NetworkManagerStandIn networkManager;  // online over the wired connection, not metered
    ASSERT_TRUE(networkManager.isReady());
    NetworkPathLog pathLog;
    pathLog.start();
    std::vector<std::string> expected{
        "Network path changed: status=satisfied isExpensive=0 interfaces=wiredEthernet"};
    EXPECT_EQ(crashLines(), expected) << "the path at start, read at once";

    // Each change NetworkManager announces is one line. Qt reads reachability from NetworkManager's
    // State (its Connectivity only tells a captive portal), metered from Metered, and the interface
    // from the type of the first device of the primary connection.
    const auto announces = [&](bool announced, const std::string& line) {
        ASSERT_TRUE(announced);
        expected.push_back("Network path changed: " + line);
        EXPECT_TRUE(testing::processEventsUntil([&] { return crashLines().size() >= expected.size(); }))
            << "no line for " << line;
    };
    announces(networkManager.setState(NetworkManagerStandIn::disconnected),
              "status=unsatisfied isExpensive=0 interfaces=wiredEthernet");
    announces(networkManager.setState(NetworkManagerStandIn::connectedGlobal),
              "status=satisfied isExpensive=0 interfaces=wiredEthernet");
    announces(networkManager.setMetered(NetworkManagerStandIn::meteredYes),
              "status=satisfied isExpensive=1 interfaces=wiredEthernet");
    announces(networkManager.setPrimaryConnection(NetworkManagerStandIn::wifiConnection),
              "status=satisfied isExpensive=1 interfaces=wifi");
    EXPECT_EQ(crashLines(), expected);
}

}  // namespace
}  // namespace kindora
