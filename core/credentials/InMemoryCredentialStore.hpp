#pragma once

#include <mutex>

#include "core/credentials/CredentialStoreProtocol.hpp"

namespace kindora {

// Credentials kept in memory, for tests and for running the logic without a platform store.
// `hasDeviceToken` is a stored flag (settable), not derived from the token.
class InMemoryCredentialStore final : public CredentialStoreProtocol {
public:
    explicit InMemoryCredentialStore(bool hasDeviceToken = false);

    bool hasDeviceToken() const override;
    std::optional<std::string> loadDeviceToken() const override;
    void saveDeviceToken(const std::string& token) override;
    void deleteDeviceToken() override;
    std::optional<std::string> loadDeviceId() const override;
    void saveDeviceId(const std::string& deviceId) override;

    void setHasDeviceToken(bool value);

private:
    mutable std::mutex mutex_;
    bool hasDeviceToken_;
    std::optional<std::string> token_;
    std::optional<std::string> deviceId_;
};

}  // namespace kindora
