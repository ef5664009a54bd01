#pragma once

#include <httplib.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include "core/common/StopToken.hpp"

#include "core/common/Log.hpp"
#include "core/common/Sleeper.hpp"
#include "core/common/SyncClock.hpp"
#include "tools/devserver/AdminApi.hpp"
#include "tools/devserver/AgentApi.hpp"
#include "tools/devserver/DevServerOptions.hpp"
#include "tools/devserver/FaultInjector.hpp"
#include "tools/devserver/Household.hpp"
#include "tools/devserver/IdentityGenerator.hpp"
#include "tools/devserver/StateFile.hpp"

namespace kindora::devserver {

// The server could not start: the port is taken, the TLS files do not load, the state file is bad.
class DevServerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The substitute household backend, runnable in-process: start() binds 127.0.0.1 (a free port when
// the options say 0) and serves on a thread pool until stop(). Tests reach the household and the
// fault queue directly through household() and faults(), or over HTTP through origin().
class DevServer {
public:
    // `clock` dates everything the household records; `sleeper` waits out injected delays.
    explicit DevServer(DevServerOptions options, SyncClock clock = SyncClock::live(),
                       Sleeper sleeper = Sleeper::live(),
                       IdentityGenerator identities = IdentityGenerator::system());
    DevServer(const DevServer&) = delete;
    DevServer& operator=(const DevServer&) = delete;
    ~DevServer();

    // Loads the state file, seeds the demo, binds and starts serving. Throws DevServerError.
    void start();
    // Cuts injected delays short, stops serving, joins the server thread and saves. Idempotent.
    void stop();

    int port() const { return port_; }
    // "http://127.0.0.1:P", or "https://..." with TLS.
    std::string origin() const;

    Household& household() { return household_; }
    FaultInjector& faults() { return faults_; }

    // Rewrites the state file if the household changed since the last save (no-op without --state).
    void persist();

private:
    std::unique_ptr<httplib::Server> makeServer() const;
    void configure(httplib::Server& server);

    DevServerOptions options_;
    SyncClock clock_;
    IdentityGenerator identities_;
    Household household_;
    FaultInjector faults_;
    StopSource stopping_;
    AgentApi agentApi_;
    AdminApi adminApi_;
    std::optional<StateFile> stateFile_;
    std::mutex saveMutex_;
    std::uint64_t savedVersion_ = 0;
    Log logger_{"DevServer"};

    std::unique_ptr<httplib::Server> server_;
    std::atomic<bool> listenEnded_{false};
    int port_ = 0;
    std::thread thread_;
};

}  // namespace kindora::devserver
