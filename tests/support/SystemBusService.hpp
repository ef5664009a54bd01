#pragma once

#include <systemd/sd-bus.h>

#include <atomic>
#include <thread>

namespace kindora::testing {

// The connection of a stand-in service on the system bus (in tests, a PrivateSystemBus), answered on a
// thread of its own. The stand-in registers its objects on bus(), then calls serve() with its
// well-known name. Its destructor calls stop() before it releases its objects, so that no call is
// answered while they go.
class SystemBusService {
public:
    SystemBusService();
    SystemBusService(const SystemBusService&) = delete;
    SystemBusService& operator=(const SystemBusService&) = delete;
    ~SystemBusService();

    // Null when the system bus could not be reached.
    sd_bus* bus() const { return bus_; }
    // Claims `name` and starts answering; false when either fails.
    bool serve(const char* name);
    // Stops answering and waits for the thread. Later calls do nothing.
    void stop();

private:
    void run();

    sd_bus* bus_ = nullptr;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace kindora::testing
