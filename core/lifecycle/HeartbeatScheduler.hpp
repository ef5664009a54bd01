#pragma once

#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include "core/common/StopToken.hpp"

#include "core/backend/HeartbeatBackendClientProtocol.hpp"
#include "core/common/Log.hpp"
#include "core/common/PollingLoop.hpp"
#include "core/common/Sleeper.hpp"
#include "core/common/SyncClock.hpp"
#include "core/credentials/CredentialStoreProtocol.hpp"
#include "core/credentials/RevocationHandler.hpp"
#include "core/lifecycle/CommandHandling.hpp"
#include "core/lifecycle/HeartbeatStatus.hpp"
#include "core/sync/WatermarkStore.hpp"

namespace kindora {

// Tells the backend every five minutes that this agent is alive, with the sync watermark and the
// agent version, and hands the returned commands on. Three failed heartbeats in a row make the
// heartbeat degraded; a success, or another loop's successful contact, ends that. Runs on a thread of
// its own; every public operation may be called from any thread.
class HeartbeatScheduler {
public:
    static constexpr double interval = 300.0;
    static constexpr int degradedAfterFailures = 3;

    using StatusHandler = std::function<void(const HeartbeatStatus&)>;

    HeartbeatScheduler(HeartbeatBackendClientProtocol& client, CredentialStoreProtocol& credentialStore,
                       WatermarkStore& watermarkStore, RevocationHandler& revocationHandler,
                       CommandHandling& commandHandler, Sleeper sleeper, SyncClock clock,
                       std::optional<std::string> agentVersion);
    HeartbeatScheduler(const HeartbeatScheduler&) = delete;
    HeartbeatScheduler& operator=(const HeartbeatScheduler&) = delete;

    // Heartbeats at once, then every `interval` seconds. A second start() while running does nothing.
    void start();
    // Ends the wait and any heartbeat in flight; never blocks.
    void stop();
    // Cuts the current wait short; no effect while a heartbeat is in flight.
    void tickNow();
    // After stop(): waits until the loop's thread has ended. Never from the loop's own callbacks.
    void join();
    bool isRunning() const;

    // Called on the scheduler's thread (or the reporting loop's, for noteBackendContact) with every
    // status change it reports; it must not call back into the scheduler.
    void setStatusHandler(StatusHandler handler);

    // Another loop just reached the backend: the connection works. Clears the failure count (and a
    // degraded status), and heartbeats at once when the last heartbeat is older than `interval`.
    void noteBackendContact();

private:
    double tick(const StopToken& stop);
    void recordFailure(const std::exception& error, const StopToken& stop);
    void report(const HeartbeatStatus& status);  // with mutex_ held

    HeartbeatBackendClientProtocol& client_;
    CredentialStoreProtocol& credentialStore_;
    WatermarkStore& watermarkStore_;
    RevocationHandler& revocationHandler_;
    CommandHandling& commandHandler_;
    const SyncClock clock_;
    const std::optional<std::string> agentVersion_;
    const Log logger_{"Heartbeat"};

    mutable std::mutex mutex_;  // guards the fields below; survive stop() and start()
    StatusHandler statusHandler_;
    int consecutiveFailures_ = 0;
    std::optional<Date> lastHeartbeatAt_;

    PollingLoop loop_;  // last: stopped and joined before the fields its tick touches go away
};

}  // namespace kindora
