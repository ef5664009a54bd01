#include "core/sync/InMemoryWatermarkStore.hpp"

#include <utility>

namespace kindora {

InMemoryWatermarkStore::InMemoryWatermarkStore(std::optional<SyncState> initial)
    : state_(std::move(initial)) {}

std::optional<SyncState> InMemoryWatermarkStore::load() {
    std::lock_guard lock(mutex_);
    if (simulateUnreadable_) {
        throw WatermarkUnreadableError::fileUnreadable("state.json", "Input/output error");
    }
    return state_;
}

void InMemoryWatermarkStore::save(const SyncState& state) {
    std::lock_guard lock(mutex_);
    state_ = state;
}

void InMemoryWatermarkStore::reset() {
    std::lock_guard lock(mutex_);
    state_.reset();
}

std::optional<SyncState> InMemoryWatermarkStore::state() const {
    std::lock_guard lock(mutex_);
    return state_;
}

void InMemoryWatermarkStore::setSimulateUnreadable(bool value) {
    std::lock_guard lock(mutex_);
    simulateUnreadable_ = value;
}

}  // namespace kindora
