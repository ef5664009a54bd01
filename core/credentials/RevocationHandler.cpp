#include "core/credentials/RevocationHandler.hpp"

#include <exception>
#include <utility>

namespace kindora {

RevocationHandler::RevocationHandler(CredentialStoreProtocol& credentialStore)
    : credentialStore_(credentialStore) {}

void RevocationHandler::setCallback(std::function<void()> callback) {
    std::lock_guard lock(mutex_);
    callback_ = std::move(callback);
}

void RevocationHandler::handleRevoked() {
    std::lock_guard lock(mutex_);
    try {
        credentialStore_.deleteDeviceToken();
    } catch (const std::exception& error) {
        logger_.error("failed to clear device token after revocation: {}", error.what());
    }
    if (callback_) {
        try {
            callback_();
        } catch (const std::exception& error) {
            logger_.fault("revocation callback threw: {}", error.what());
        }
    }
}

}  // namespace kindora
