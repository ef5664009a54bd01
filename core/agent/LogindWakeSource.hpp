#pragma once

#include <memory>

#include "core/agent/WakeSource.hpp"
#include "core/common/Log.hpp"
#include "core/common/StoppableThread.hpp"

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

    WakeHandler onWake_;  // set before the thread starts, read only by it
    Log logger_{"AppDelegate"};
    StoppableThread thread_;  // last: stopped before the rest goes
};

}  // namespace kindora
