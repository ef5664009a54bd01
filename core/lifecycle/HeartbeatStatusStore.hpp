#pragma once

#include "core/common/Observable.hpp"
#include "core/lifecycle/HeartbeatStatus.hpp"

namespace kindora {

// The latest heartbeat status for the menu bar and the running phase's health. Lives on the main
// thread; the scheduler's reports are posted here.
class HeartbeatStatusStore {
public:
    const HeartbeatStatus& status() const { return status_.value(); }
    // Replaces the status; observers hear only of real changes.
    void update(const HeartbeatStatus& status);
    [[nodiscard]] Subscription observe(Observable<HeartbeatStatus>::Observer observer) const;

private:
    Observable<HeartbeatStatus> status_;
};

}  // namespace kindora
