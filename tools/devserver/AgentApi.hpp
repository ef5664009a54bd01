#pragma once

#include <httplib.h>

#include <functional>
#include <string>
#include "core/common/StopToken.hpp"

#include <nlohmann/json.hpp>

#include "core/common/Log.hpp"
#include "core/common/Sleeper.hpp"
#include "tools/devserver/FaultInjector.hpp"
#include "tools/devserver/Household.hpp"

namespace kindora::devserver {

// The agent's endpoints on the HTTP server: each request is decoded into its wire record, answered
// by the Household, and encoded back; injected faults are applied first. Endpoint names (used by
// faults) are the client's operation names: createPairing, pairingStatus, heartbeat, ingest,
// interrupts, fetchMeetings, ackAlert, resolveAlert.
class AgentApi {
public:
    // `stop` cuts injected delays short when the server stops.
    AgentApi(Household& household, FaultInjector& faults, Sleeper sleeper, StopToken stop);

    void registerRoutes(httplib::Server& server);

private:
    using Handler = std::function<nlohmann::ordered_json(const httplib::Request&)>;

    // Applies a pending fault, else runs `handler` and writes its record or its refusal.
    void serve(const char* endpoint, const httplib::Request& request, httplib::Response& response,
               const Handler& handler);
    // True when the fault answered the request itself.
    bool applyFault(const Fault& fault, httplib::Response& response);
    static void dropAnswer(httplib::Response& response);

    Household& household_;
    FaultInjector& faults_;
    Sleeper sleeper_;
    StopToken stop_;
    Log logger_{"DevServer"};
};

}  // namespace kindora::devserver
