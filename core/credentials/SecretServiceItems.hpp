#pragma once

#include <string>

#include "core/credentials/SecretItemStoring.hpp"

namespace kindora {

// The agent's items in the desktop's Secret Service (the login keyring), through libsecret's
// synchronous calls, which are safe from any thread. Each item is identified by the pair (service,
// account) in whichever collection holds it; new items go to the default collection.
//
// lookup() searches without libsecret's unlock flag and loads the secrets of unlocked items only,
// so it never brings up an unlock prompt: an item found only in a locked collection reads as
// `locked`, and any error of the service as `unavailable`. Only a service that answers with no item
// makes `absent`.
class SecretServiceItems final : public SecretItemStoring {
public:
    explicit SecretServiceItems(std::string service = "com.quillmere.kindora");

    const std::string& service() const { return service_; }

    SecretLookup lookup(const std::string& account) const override;
    // Replaces the secret of the item found (and removes extra copies left by other clients), or adds
    // one; a Secret Service failure throws KeychainError::osStatus with libsecret's error code.
    void store(const std::string& account, const std::string& value, const std::string& label) override;
    void clear(const std::string& account) override;
    bool unlock(const std::string& account, StopToken stop) override;

private:
    std::string service_;
};

}  // namespace kindora
