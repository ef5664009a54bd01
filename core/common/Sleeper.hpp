#pragma once

#include <functional>
#include "core/common/StopToken.hpp"

namespace kindora {

// The one way the agent waits. Every loop and controller that waits takes a Sleeper, so that tests
// can replace real time with a virtual timeline.
class Sleeper {
public:
    // Waits `seconds` (negative counts as zero). Returns false when the wait was cut short by `stop`.
    using SleepFunction = std::function<bool(double seconds, StopToken stop)>;

    explicit Sleeper(SleepFunction sleep);

    bool sleep(double seconds, StopToken stop) const;

    // Waits in real time; a stop request wakes the waiting thread at once.
    static Sleeper live();

private:
    SleepFunction sleep_;
};

}  // namespace kindora
