#include "core/lifecycle/HeartbeatStatusStore.hpp"

#include <utility>

namespace kindora {

void HeartbeatStatusStore::update(const HeartbeatStatus& status) {
    status_.set(status);
}

Subscription HeartbeatStatusStore::observe(Observable<HeartbeatStatus>::Observer observer) const {
    return status_.observe(std::move(observer));
}

}  // namespace kindora
