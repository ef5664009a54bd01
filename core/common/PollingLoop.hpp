#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include "core/common/StopToken.hpp"

#include "core/common/Log.hpp"
#include "core/common/Sleeper.hpp"

namespace kindora {

// The loop shared by the agent's four pollers: on a thread of its own it runs `tick`, then waits the
// delay the tick returned through the Sleeper, and again, until stopped.
//
// - stop() never blocks: it cancels the wait and the running tick's stop token (which reaches the
//   HTTP transport), and the thread ends on its own. It may be called from the tick itself.
// - start() after stop() first joins the old thread, so two ticks of one loop never overlap.
// - tickNow() cuts the current wait short. While a tick runs, what it does depends on the loop's
//   WakeDuringTick: by default nothing (the wait after that tick is kept); a loop made with
//   `runsAnotherTick` remembers the wake and runs one more tick right after the running one, unless
//   that tick calls keepNextWait() (a tick that backs off after a failure, for instance).
// The owner must destroy its PollingLoop before the state its tick touches (declare it last).
class PollingLoop {
public:
    // One pass; returns the delay in seconds before the next one. `stop` is requested when the loop
    // is stopped, so blocking work inside the tick can give up early.
    using Tick = std::function<double(StopToken stop)>;

    enum class WakeDuringTick { ignored, runsAnotherTick };

    PollingLoop(std::string name, Sleeper sleeper, Tick tick,
                WakeDuringTick wakeDuringTick = WakeDuringTick::ignored);
    PollingLoop(const PollingLoop&) = delete;
    PollingLoop& operator=(const PollingLoop&) = delete;
    ~PollingLoop();

    void start();
    void stop();
    void tickNow();
    // Called by the running tick: a wake that arrived during it does not cut the next wait short.
    void keepNextWait();
    // Waits until the thread of a stopped loop has ended, so that its tick no longer touches anything.
    // Does nothing while the loop runs; never call it from the tick.
    void join();

    bool isRunning() const;

private:
    void run(StopToken stop);
    double runTick(StopToken stop);

    const std::string name_;
    const Sleeper sleeper_;
    const Tick tick_;
    const WakeDuringTick wakeDuringTick_;
    const Log logger_;

    std::mutex lifecycleMutex_;  // serialises start() and the destructor, which may join
    std::thread thread_;

    mutable std::mutex stateMutex_;  // never held while joining or ticking
    bool running_ = false;
    StopSource loopStop_;
    std::optional<StopSource> waitStop_;
    bool ticking_ = false;
    bool wokenDuringTick_ = false;
};

}  // namespace kindora
