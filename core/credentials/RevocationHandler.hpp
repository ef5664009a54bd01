#pragma once

#include <functional>
#include <mutex>

#include "core/common/Log.hpp"
#include "core/credentials/CredentialStoreProtocol.hpp"

namespace kindora {

// The one place that forgets the device token when the backend says the device was revoked. Shared
// by every component that talks to the backend with the token; each of them stops its own work and
// calls handleRevoked(). Calls from several threads are serialised; the callback runs on the calling
// thread, so whoever installs it hops to the main thread itself.
class RevocationHandler {
public:
    explicit RevocationHandler(CredentialStoreProtocol& credentialStore);

    // Replaces the callback called after every handled revocation (an empty function removes it).
    void setCallback(std::function<void()> callback);

    // Deletes the token (a failure is logged, not thrown) and calls the callback. Never throws.
    void handleRevoked();

private:
    CredentialStoreProtocol& credentialStore_;
    std::mutex mutex_;
    std::function<void()> callback_;
    Log logger_{"Sync"};
};

}  // namespace kindora
