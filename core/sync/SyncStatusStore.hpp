#pragma once

#include <cstdint>
#include <functional>

#include "core/common/Observable.hpp"
#include "core/sync/SyncStatus.hpp"

namespace kindora {

// The latest sync status for the views, and a counter whose every change means that the device
// credential was revoked. Main thread only.
class SyncStatusStore {
public:
    const SyncStatus& status() const { return status_.value(); }
    std::int64_t revokedSignal() const { return revokedSignal_.value(); }

    [[nodiscard]] Subscription observeStatus(std::function<void(const SyncStatus&)> observer) const;
    [[nodiscard]] Subscription observeRevokedSignal(std::function<void(std::int64_t)> observer) const;

    // Stores the snapshot; observers hear of it only when it differs from the stored one.
    void update(const SyncStatus& status);
    void signalRevoked();

private:
    Observable<SyncStatus> status_;
    Observable<std::int64_t> revokedSignal_{0};
};

}  // namespace kindora
