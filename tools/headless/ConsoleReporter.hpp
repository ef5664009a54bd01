#pragma once

#include <optional>
#include <vector>

#include "core/agent/Agent.hpp"
#include "core/common/Log.hpp"
#include "core/sync/SyncStatus.hpp"

namespace kindora {

// The headless agent's view: one log line whenever something a person would want to know changes,
// and nothing while the agent quietly does its job. The phase (with the pairing code), forwarded
// counts, the backlog and sync errors, pairing failures, alerts put on screen and meeting takeovers.
// The sync loop reports after every tick, every few seconds; only a change of what is shown here
// makes a line, so an idle agent writes nothing.
class ConsoleReporter {
public:
    explicit ConsoleReporter(Agent& agent);

private:
    void syncStatusChanged(const SyncStatus& status);

    Agent& agent_;
    const Log logger_{"AppDelegate"};
    std::optional<SyncStatus> lastShown_;
    std::vector<Interrupt> lastAlerts_;
    std::vector<Subscription> subscriptions_;
};

}  // namespace kindora
