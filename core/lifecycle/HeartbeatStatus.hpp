#pragma once

#include <optional>

#include "core/common/Date.hpp"

namespace kindora {

// The heartbeat's side of the agent's health: when the backend last answered a heartbeat, and
// whether heartbeats have failed often enough in a row to call the connection degraded.
struct HeartbeatStatus {
    std::optional<Date> lastHeartbeatAt;
    bool isDegraded = false;

    friend bool operator==(const HeartbeatStatus&, const HeartbeatStatus&) = default;
};

}  // namespace kindora
