#pragma once

#include "core/backend/BackendPoller.hpp"
#include "core/backend/InterruptBackendClientProtocol.hpp"

namespace kindora {

// The loop that fetches the open household alerts every 5 seconds and hands each answer to one
// handler. Backs off with jitter after failures (5 s doubling to 60 s), skips the request while no
// device token is stored, and stops and runs the revocation flow when the device was revoked.
class InterruptPoller : public BackendPoller<InterruptsResponse> {
public:
    using InterruptsHandler = Handler;

    static constexpr double interval = 5;
    static constexpr double initialBackoff = 5;
    static constexpr double maximumBackoff = 60;

    InterruptPoller(InterruptBackendClientProtocol& client, CredentialStoreProtocol& credentialStore,
                    RevocationHandler& revocationHandler, Sleeper sleeper);

    void setInterruptsHandler(InterruptsHandler handler) { setHandler(std::move(handler)); }
};

}  // namespace kindora
