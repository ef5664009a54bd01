#include "core/common/SyncClock.hpp"

#include <utility>

namespace kindora {

SyncClock::SyncClock(NowFunction now) : now_(std::move(now)) {}

Date SyncClock::now() const { return now_(); }

SyncClock SyncClock::live() {
    return SyncClock([] { return std::chrono::system_clock::now(); });
}

}  // namespace kindora
