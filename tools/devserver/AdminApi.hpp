#pragma once

#include <httplib.h>

#include <functional>

#include <nlohmann/json.hpp>

#include "core/common/Log.hpp"
#include "tools/devserver/FaultInjector.hpp"
#include "tools/devserver/Household.hpp"

namespace kindora::devserver {

// The JSON admin API under "/admin/" on the same loopback port: confirm pairings, revoke devices,
// read what arrived, edit alerts, meetings and rules, inject faults, reset. README.md lists every
// route with curl examples.
class AdminApi {
public:
    AdminApi(Household& household, FaultInjector& faults);

    void registerRoutes(httplib::Server& server);

private:
    using Handler = std::function<nlohmann::ordered_json(const httplib::Request&)>;

    // Runs `handler`, answering its JSON with `status`, or its refusal with the refusal's status.
    static void serve(const httplib::Request& request, httplib::Response& response, int status,
                      const Handler& handler);

    nlohmann::ordered_json state();

    Household& household_;
    FaultInjector& faults_;
    Log logger_{"DevServer"};
};

}  // namespace kindora::devserver
