#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/SystemBusService.hpp"

namespace kindora::testing {

// Owns org.freedesktop.PackageKit on the (private) system bus and answers as PackageKit does: a new
// transaction object per CreateTransaction, SetHints, and RefreshCache, GetUpdates, DownloadPackages
// and UpdatePackages answered at once and followed by the transaction's signals (Package for each
// offered update, ErrorCode when the method is told to fail, Finished, Destroy). Records every call.
// Thread-safe: the test changes what it offers while the agent's threads call it.
class PackageKitStandIn {
public:
    struct Package {
        std::uint32_t info = 5;  // PackageKit's "normal" update; 9 is "blocked"
        std::string id;
    };
    struct Call {
        std::string method;
        std::uint64_t flags = 0;  // transaction flags or filter, where the method takes them
        std::vector<std::string> packageIds;
        std::vector<std::string> hints;
    };

    PackageKitStandIn();
    ~PackageKitStandIn();
    PackageKitStandIn(const PackageKitStandIn&) = delete;
    PackageKitStandIn& operator=(const PackageKitStandIn&) = delete;

    bool isReady() const { return ready_; }

    // What GetUpdates lists from now on.
    void offer(std::vector<Package> updates);
    // Every later call of `method` fails: ErrorCode with `details` (when given), then Finished with
    // `exit` (PackageKit's exit value: 2 failed, 3 cancelled, 8 needs untrusted).
    void fail(const std::string& method, std::optional<std::string> details, std::uint32_t exit = 2);
    // `method` succeeds again.
    void heal(const std::string& method);

    std::vector<Call> calls() const;

private:
    struct Failure {
        std::optional<std::string> details;
        std::uint32_t exit = 2;
    };

    static int onManager(sd_bus_message* message, void* self, sd_bus_error* error);
    static int onTransaction(sd_bus_message* message, void* self, sd_bus_error* error);
    int answer(sd_bus_message* message, Call call);

    SystemBusService service_;
    sd_bus_slot* managerSlot_ = nullptr;
    sd_bus_slot* transactionSlot_ = nullptr;
    bool ready_ = false;

    mutable std::mutex mutex_;
    unsigned transactions_ = 0;
    std::vector<Package> updates_;
    std::map<std::string, Failure> failures_;
    std::map<std::string, std::vector<std::string>> hints_;  // by transaction path
    std::vector<Call> calls_;
};

}  // namespace kindora::testing
