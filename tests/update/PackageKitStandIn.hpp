#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/SystemBusService.hpp"

namespace kindora::testing {

// Owns org.freedesktop.PackageKit on the (private) system bus and answers as PackageKit does: a
// transaction object per CreateTransaction, SetHints, and InstallFiles answered at once and followed
// by the scripted ErrorCode, Finished and Destroy signals. Records what it was asked.
class PackageKitStandIn {
public:
    struct Script {
        // PackageKit's exit value: 1 success, 2 failed, 3 cancelled.
        std::uint32_t exit = 1;
        std::optional<std::string> errorDetails;
    };

    explicit PackageKitStandIn(Script script);
    ~PackageKitStandIn();
    PackageKitStandIn(const PackageKitStandIn&) = delete;
    PackageKitStandIn& operator=(const PackageKitStandIn&) = delete;

    bool isReady() const { return ready_; }
    std::vector<std::string> installedFiles() const;
    std::vector<std::string> hints() const;
    std::vector<std::uint64_t> flags() const;

private:
    static int onManager(sd_bus_message* message, void* self, sd_bus_error* error);
    static int onTransaction(sd_bus_message* message, void* self, sd_bus_error* error);

    const Script script_;
    SystemBusService service_;
    sd_bus_slot* managerSlot_ = nullptr;
    sd_bus_slot* transactionSlot_ = nullptr;
    bool ready_ = false;

    mutable std::mutex mutex_;
    std::vector<std::string> installedFiles_;
    std::vector<std::string> hints_;
    std::vector<std::uint64_t> flags_;
};

}  // namespace kindora::testing
