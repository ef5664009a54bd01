#pragma once

#include "core/common/Log.hpp"
#include "core/lifecycle/CommandHandling.hpp"

namespace kindora {

// The agent acts on no backend command yet: this handler acknowledges them in the log only.
class LoggingCommandHandler final : public CommandHandling {
public:
    explicit LoggingCommandHandler(Log logger = Log("Heartbeat"));

    void handle(const std::vector<AgentCommand>& commands) override;

private:
    Log logger_;
};

}  // namespace kindora
