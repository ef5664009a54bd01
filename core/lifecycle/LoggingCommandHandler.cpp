#include "core/lifecycle/LoggingCommandHandler.hpp"

#include <utility>

namespace kindora {

LoggingCommandHandler::LoggingCommandHandler(Log logger) : logger_(std::move(logger)) {}

void LoggingCommandHandler::handle(const std::vector<AgentCommand>& commands) {
    if (commands.empty()) {
        return;
    }
    // Every command is unknown to this agent, so both counts are the same.
    const auto count = static_cast<long>(commands.size());
    logger_.info(
        "heartbeat response carried {} command(s), {} unrecognized - no command handler wired yet (epic "
        "#216)",
        count, count);
}

}  // namespace kindora
