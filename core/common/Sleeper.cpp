#include "core/common/Sleeper.hpp"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "core/common/InterruptibleWait.hpp"

namespace kindora {

namespace {

// Far enough to mean "until stopped", near enough that the deadline stays representable.
constexpr double longestWait = 1e9;

}  // namespace

Sleeper::Sleeper(SleepFunction sleep) : sleep_(std::move(sleep)) {}

bool Sleeper::sleep(double seconds, StopToken stop) const {
    return sleep_(seconds, std::move(stop));
}

Sleeper Sleeper::live() {
    return Sleeper([](double seconds, StopToken stop) {
        if (stop.stop_requested()) {
            return false;
        }
        // Negative (and NaN) waits count as zero.
        const double waitSeconds = seconds > 0 ? std::min(seconds, longestWait) : 0.0;
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                  std::chrono::duration<double>(waitSeconds));
        std::mutex mutex;
        std::condition_variable wake;
        std::unique_lock lock(mutex);
        interruptibleWaitUntil(wake, lock, stop, deadline, [] { return false; });
        return !stop.stop_requested();
    });
}

}  // namespace kindora
