#pragma once

#include <optional>
#include <string>

namespace kindora {

// The two secrets of a paired device: the device token (the bearer token of every authenticated
// request) and the device id (compared with the next pairing's id). One shared instance is used from
// several threads at once; implementations are safe for that.
class CredentialStoreProtocol {
public:
    virtual ~CredentialStoreProtocol() = default;

    // True when a device token can be read.
    virtual bool hasDeviceToken() const = 0;
    // The stored token, or nothing; never fails (an unavailable store reads as "no token").
    virtual std::optional<std::string> loadDeviceToken() const = 0;
    // Stores or replaces the token. Throws KeychainError.
    virtual void saveDeviceToken(const std::string& token) = 0;
    // Removes the token; removing a missing token is no failure. Throws KeychainError.
    virtual void deleteDeviceToken() = 0;
    // The stored device id, or nothing; never fails. The id outlives revocation.
    virtual std::optional<std::string> loadDeviceId() const = 0;
    // Stores or replaces the device id. Throws KeychainError.
    virtual void saveDeviceId(const std::string& deviceId) = 0;
};

}  // namespace kindora
