#pragma once

#include <functional>

namespace kindora {

// The delay before retrying after failures: it starts at `initial`, doubles after each failure up to
// `cap`, and a success brings it back to `initial`. Each delay handed out is multiplied by a jitter
// factor (by default Jitter::factor, 0.85 to 1.15), so that agents that failed together do not retry
// together. Not thread-safe: each loop owns its own.
class Backoff {
public:
    using JitterFactor = std::function<double()>;

    Backoff(double initial, double cap, JitterFactor jitterFactor = {});

    // The jittered delay for this failure; the next one doubles (up to the cap).
    double nextDelay();
    // After a success: the next failure waits `initial` again.
    void reset();
    // The next delay before jitter.
    double current() const { return current_; }

private:
    double initial_;
    double cap_;
    double current_;
    JitterFactor jitterFactor_;
};

}  // namespace kindora
