#pragma once

#include <string>

namespace kindora::testing {

// A private bus daemon, reached through DBUS_SYSTEM_BUS_ADDRESS for as long as it lives: stand-ins for
// system services (logind, PackageKit) own their names on it without touching the machine's own bus.
class PrivateSystemBus {
public:
    PrivateSystemBus();
    ~PrivateSystemBus();
    PrivateSystemBus(const PrivateSystemBus&) = delete;
    PrivateSystemBus& operator=(const PrivateSystemBus&) = delete;

    bool isRunning() const { return !address_.empty() && pid_ > 0; }

private:
    std::string address_;
    int pid_ = 0;
};

}  // namespace kindora::testing
