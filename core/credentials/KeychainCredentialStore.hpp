#pragma once

#include <optional>
#include <string>

#include "core/credentials/CredentialStoreProtocol.hpp"

namespace kindora {

// The device credentials in the desktop's Secret Service (the login keyring), through libsecret's
// synchronous calls, which are safe from any thread. Each secret is one item identified by the pair
// (service, account) in the default collection. The store keeps no state: every call goes to the
// Secret Service, so a token saved by one component is seen at once by all others.
class KeychainCredentialStore final : public CredentialStoreProtocol {
public:
    KeychainCredentialStore(std::string service = "com.quillmere.kindora",
                            std::string account = "deviceToken", std::string deviceIdAccount = "deviceId");

    const std::string& service() const { return service_; }
    const std::string& account() const { return account_; }
    const std::string& deviceIdAccount() const { return deviceIdAccount_; }

    // Reads never fail: a missing item, a locked keyring, an unreachable service and a value that is
    // not valid UTF-8 all read as nothing.
    bool hasDeviceToken() const override;
    std::optional<std::string> loadDeviceToken() const override;
    std::optional<std::string> loadDeviceId() const override;

    // Writes replace the item's value (or add the item) and keep one item per (service, account).
    // Text that is not valid UTF-8 is refused with the item's encoding error before anything is
    // touched; a Secret Service failure throws KeychainError::osStatus with libsecret's error code.
    void saveDeviceToken(const std::string& token) override;
    void saveDeviceId(const std::string& deviceId) override;
    void deleteDeviceToken() override;

private:
    std::optional<std::string> read(const std::string& itemAccount) const;
    void write(const std::string& itemAccount, const std::string& value, const std::string& label);

    std::string service_;
    std::string account_;
    std::string deviceIdAccount_;
};

}  // namespace kindora
