#pragma once

#include <optional>

#include "core/sync/SyncState.hpp"

namespace kindora {

// Where the sync state is kept between runs. Callers serialise their calls; stores do no locking.
class WatermarkStore {
public:
    virtual ~WatermarkStore() = default;

    // The stored state, or nothing when there is none or it cannot be read. Never throws.
    virtual std::optional<SyncState> load() = 0;
    // Replaces the stored state. May throw.
    virtual void save(const SyncState& state) = 0;
    // Removes the stored state, so that the next load gives nothing. May throw.
    virtual void reset() = 0;
};

}  // namespace kindora
