#pragma once

#include <memory>
#include <mutex>
#include <thread>

#include "core/agent/WakeSource.hpp"
#include "core/common/Log.hpp"

namespace kindora {

// Wake from sleep on Linux: logind's PrepareForSleep(false) signal on the system bus, heard through
// sd-bus on a thread of its own. A system without logind (or without a system bus) is logged once
// and tried again quietly every retrySeconds; a connection lost later is re-established the same way.
class LogindWakeSource final : public WakeSource {
public:
    static constexpr double retrySeconds = 60.0;

    LogindWakeSource() = default;
    LogindWakeSource(const LogindWakeSource&) = delete;
    LogindWakeSource& operator=(const LogindWakeSource&) = delete;
    ~LogindWakeSource() override;

    // Connects on the caller's thread, so that a wake after start() returns is heard (when the bus
    // is there). Does nothing while already listening.
    void start(WakeHandler onWake) override;
    // Prompt: wakes the thread and joins it.
    void stop() override;

private:
    class Connection;

    void run(int stopEvent, std::unique_ptr<Connection> connection);

    std::mutex mutex_;
    WakeHandler onWake_;  // set before the thread starts, read only by it
    std::thread thread_;
    int stopEvent_ = -1;
    Log logger_{"AppDelegate"};
};

}  // namespace kindora
