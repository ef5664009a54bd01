// kindora-packagekit-standin: the stand-in PackageKit as a program, for tests that run the real agent.
// It owns org.freedesktop.PackageKit on the bus in DBUS_SYSTEM_BUS_ADDRESS (a private bus daemon the
// test started) and takes its script from files in a control directory, read every 100 ms:
//   offer               one package id per line: what GetUpdates lists ("normal" updates)
//   fail-METHOD         "EXIT DETAILS": every call of METHOD fails so (removed: it succeeds again)
// Each call it answers is printed on its own line: "METHOD flags=N ids=ID,... hints=HINT,...".
// It prints "ready" once it owns the name, and ends at SIGTERM or SIGINT.
#include <csignal>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "tests/update/PackageKitStandIn.hpp"

namespace {

volatile std::sig_atomic_t stopping = 0;

void stop(int) {
    stopping = 1;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const auto& part : parts) {
        text += (text.empty() ? "" : ",") + part;
    }
    return text;
}

void applyScript(kindora::testing::PackageKitStandIn& packageKit, const std::filesystem::path& control) {
    std::vector<kindora::testing::PackageKitStandIn::Package> offered;
    std::ifstream offer(control / "offer");
    for (std::string line; std::getline(offer, line);) {
        if (!line.empty()) {
            offered.push_back({5, line});
        }
    }
    packageKit.offer(std::move(offered));
    for (const char* method : {"RefreshCache", "GetUpdates", "DownloadPackages", "UpdatePackages"}) {
        std::ifstream failure(control / ("fail-" + std::string(method)));
        std::uint32_t exit = 0;
        if (failure >> exit) {
            std::string details;
            std::getline(failure >> std::ws, details);
            packageKit.fail(method, details.empty() ? std::nullopt : std::optional<std::string>(details), exit);
        } else {
            packageKit.heal(method);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::string(argv[1]) != "--control") {
        std::cerr << "usage: kindora-packagekit-standin --control DIR\n";
        return 2;
    }
    const std::filesystem::path control = argv[2];
    std::signal(SIGTERM, stop);
    std::signal(SIGINT, stop);
    kindora::testing::PackageKitStandIn packageKit;
    if (!packageKit.isReady()) {
        std::cerr << "kindora-packagekit-standin: could not own org.freedesktop.PackageKit\n";
        return 1;
    }
    std::cout << "ready" << std::endl;
    std::size_t printed = 0;
    while (stopping == 0) {
        applyScript(packageKit, control);
        const auto calls = packageKit.calls();
        for (; printed < calls.size(); ++printed) {
            const auto& call = calls[printed];
            std::cout << call.method << " flags=" << call.flags << " ids=" << joined(call.packageIds)
                      << " hints=" << joined(call.hints) << std::endl;
        }
        // A test helper's own pace; the agent's waits are not involved.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return 0;
}
