#include "core/sync/SyncStatusStore.hpp"

#include <utility>

namespace kindora {

Subscription SyncStatusStore::observeStatus(std::function<void(const SyncStatus&)> observer) const {
    return status_.observe(std::move(observer));
}

Subscription SyncStatusStore::observeRevokedSignal(std::function<void(std::int64_t)> observer) const {
    return revokedSignal_.observe(
        [observer = std::move(observer)](const std::int64_t& value) { observer(value); });
}

void SyncStatusStore::update(const SyncStatus& status) {
    status_.set(status);
}

void SyncStatusStore::signalRevoked() {
    revokedSignal_.set(revokedSignal_.value() + 1);
}

}  // namespace kindora
