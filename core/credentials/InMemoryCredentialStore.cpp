#include "core/credentials/InMemoryCredentialStore.hpp"

namespace kindora {

InMemoryCredentialStore::InMemoryCredentialStore(bool hasDeviceToken) : hasDeviceToken_(hasDeviceToken) {}

bool InMemoryCredentialStore::hasDeviceToken() const {
    std::lock_guard lock(mutex_);
    return hasDeviceToken_;
}

std::optional<std::string> InMemoryCredentialStore::loadDeviceToken() const {
    std::lock_guard lock(mutex_);
    return token_;
}

void InMemoryCredentialStore::saveDeviceToken(const std::string& token) {
    std::lock_guard lock(mutex_);
    token_ = token;
    hasDeviceToken_ = true;
}

void InMemoryCredentialStore::deleteDeviceToken() {
    std::lock_guard lock(mutex_);
    token_.reset();
    hasDeviceToken_ = false;
}

std::optional<std::string> InMemoryCredentialStore::loadDeviceId() const {
    std::lock_guard lock(mutex_);
    return deviceId_;
}

void InMemoryCredentialStore::saveDeviceId(const std::string& deviceId) {
    std::lock_guard lock(mutex_);
    deviceId_ = deviceId;
}

void InMemoryCredentialStore::setHasDeviceToken(bool value) {
    std::lock_guard lock(mutex_);
    hasDeviceToken_ = value;
}

}  // namespace kindora
