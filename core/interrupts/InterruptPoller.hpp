#pragma once

#include <functional>
#include <mutex>
#include "core/common/StopToken.hpp"

#include "core/backend/InterruptBackendClientProtocol.hpp"
#include "core/common/Log.hpp"
#include "core/common/PollingLoop.hpp"
#include "core/common/Sleeper.hpp"
#include "core/credentials/CredentialStoreProtocol.hpp"
#include "core/credentials/RevocationHandler.hpp"

namespace kindora {

// The loop that fetches the open household alerts every 5 seconds and hands each answer to one
// handler. Backs off with jitter after failures (5 s doubling to 60 s), skips the request while no
// device token is stored, and stops and runs the revocation flow when the device was revoked.
class InterruptPoller {
public:
    using InterruptsHandler = std::function<void(const InterruptsResponse&)>;

    static constexpr double pollInterval = 5;
    static constexpr double maxBackoff = 60;

    InterruptPoller(InterruptBackendClientProtocol& client, CredentialStoreProtocol& credentialStore,
                    RevocationHandler& revocationHandler, Sleeper sleeper);
    InterruptPoller(const InterruptPoller&) = delete;
    InterruptPoller& operator=(const InterruptPoller&) = delete;

    void start();
    // Never blocks; an in-flight request is cancelled.
    void stop();
    // Ends the current wait so that the next request starts at once; does nothing during a request.
    void tickNow();
    // After stop(): waits until the loop's thread has ended. Never from the loop's own callbacks.
    void join();
    bool isRunning() const;

    // Replaces the receiver of every successful poll (an empty function removes it). The handler is
    // called on the poller's thread: whoever touches main-thread state from it posts there first.
    void setInterruptsHandler(InterruptsHandler handler);

private:
    double tick(StopToken stop);
    double backOff();

    InterruptBackendClientProtocol& client_;
    CredentialStoreProtocol& credentialStore_;
    RevocationHandler& revocationHandler_;
    const Log logger_{"Interrupts"};

    std::mutex handlerMutex_;
    InterruptsHandler interruptsHandler_;

    // Only the loop's thread touches it; it keeps its value across a stop and is reset by a success.
    double backoffSeconds_ = pollInterval;

    PollingLoop loop_;  // last: stops and joins before the state its tick uses goes away
};

}  // namespace kindora
