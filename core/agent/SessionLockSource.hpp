#pragma once

#include <functional>

namespace kindora {

// Tells its owner whether the desktop session is locked, so that nothing of the household (an alert, a
// meeting's name) is drawn over a lock screen or fights the locker for the top of the screen. Each
// platform has its own (logind and the desktop's screen saver on Linux, the session's lock
// notifications on macOS).
class SessionLockSource {
public:
    using LockHandler = std::function<void(bool locked)>;

    virtual ~SessionLockSource() = default;

    // Begins listening; `onChange` is called on the source's own thread with the state as soon as it
    // is known and again whenever it changes. Never throws: a source that cannot listen logs why and
    // the session counts as unlocked.
    virtual void start(LockHandler onChange) = 0;
    // Ends listening; once it returns, `onChange` is not running and will not be called again.
    virtual void stop() = 0;
};

}  // namespace kindora
