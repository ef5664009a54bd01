#pragma once

#include <vector>

#include "core/backend/HeartbeatRecords.hpp"

namespace kindora {

// Receives the commands the backend returned with one heartbeat answer. Called on the heartbeat
// loop's thread.
class CommandHandling {
public:
    virtual ~CommandHandling() = default;

    virtual void handle(const std::vector<AgentCommand>& commands) = 0;
};

}  // namespace kindora
