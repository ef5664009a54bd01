#include "core/common/Sleeper.hpp"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace kindora {

Sleeper::Sleeper(SleepFunction sleep) : sleep_(std::move(sleep)) {}

bool Sleeper::sleep(double seconds, StopToken stop) const {
    return sleep_(seconds, std::move(stop));
}

Sleeper Sleeper::live() {
    return Sleeper([](double seconds, StopToken stop) {
        if (stop.stop_requested()) {
            return false;
        }
        const auto duration = std::chrono::duration<double>(std::max(seconds, 0.0));
        std::mutex mutex;
        std::condition_variable_any wake;
        std::unique_lock lock(mutex);
        // wait_for with a stop token returns early (and true-less) as soon as stop is requested.
        wake.wait_for(lock, stop, std::chrono::duration_cast<std::chrono::nanoseconds>(duration),
                      [] { return false; });
        return !stop.stop_requested();
    });
}

}  // namespace kindora
