#pragma once

#include <memory>

#include "core/agent/SessionLockSource.hpp"
#include "core/common/StoppableThread.hpp"

namespace kindora {

// The session's lock on Linux, from two places, either of which may be missing: logind's session
// object on the system bus (its LockedHint property, which lockers set, and its Lock and Unlock
// signals, which ask lockers to act) and the desktop's org.freedesktop.ScreenSaver on the session bus
// (ActiveChanged). The session counts as locked when either says so. Heard through sd-bus on a thread
// of its own; a bus that is missing or lost is tried again quietly every retrySeconds.
class LogindSessionLockSource final : public SessionLockSource {
public:
    static constexpr double retrySeconds = 30.0;

    LogindSessionLockSource();
    LogindSessionLockSource(const LogindSessionLockSource&) = delete;
    LogindSessionLockSource& operator=(const LogindSessionLockSource&) = delete;
    ~LogindSessionLockSource() override;

    // Connects and asks for the current state on the listening thread (the caller never waits on a
    // bus). Does nothing while already listening.
    void start(LockHandler onChange) override;
    // Prompt: wakes the thread and joins it.
    void stop() override;

private:
    class Listener;

    std::unique_ptr<Listener> listener_;  // the thread's own, made before it starts, dropped after it stops
    StoppableThread thread_;
};

}  // namespace kindora
