#include "core/interrupts/InterruptPoller.hpp"

#include <utility>

namespace kindora {

InterruptPoller::InterruptPoller(InterruptBackendClientProtocol& client,
                                 CredentialStoreProtocol& credentialStore,
                                 RevocationHandler& revocationHandler, Sleeper sleeper)
    : BackendPoller(
          {"Interrupts", "Interrupts", "interrupt poll failed, backing off: ", "interrupts", interval,
           initialBackoff, maximumBackoff},
          [&client](const std::string& token, StopToken stop) { return client.interrupts(token, stop); },
          credentialStore, revocationHandler, std::move(sleeper)) {}

}  // namespace kindora
