#pragma once

#include <functional>

namespace kindora {

// Tells its owner that the computer woke from sleep, so that the agent re-derives its phase and every
// loop ticks at once instead of finishing a wait begun before the sleep. Each platform has its own
// (logind on Linux, the workspace notification on macOS).
class WakeSource {
public:
    using WakeHandler = std::function<void()>;

    virtual ~WakeSource() = default;

    // Begins listening; `onWake` is called on the source's own thread, once per wake. Never throws: a
    // source that cannot listen logs why and the agent simply does not hear of wakes.
    virtual void start(WakeHandler onWake) = 0;
    // Ends listening; once it returns, `onWake` is not running and will not be called again.
    virtual void stop() = 0;
};

}  // namespace kindora
