#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kindora {

// A failure of the credential store. `osStatus` carries the platform store's own error code
// (libsecret's GError code on Linux); the two encoding cases refuse text that is not valid UTF-8.
class KeychainError : public std::runtime_error {
public:
    enum class Kind { osStatus, invalidTokenEncoding, invalidDeviceIdEncoding };

    static KeychainError osStatus(std::int32_t status, const std::string& detail = {});
    static KeychainError invalidTokenEncoding();
    static KeychainError invalidDeviceIdEncoding();

    Kind kind() const { return kind_; }
    std::int32_t status() const { return status_; }

    friend bool operator==(const KeychainError& a, const KeychainError& b) {
        return a.kind_ == b.kind_ && (a.kind_ != Kind::osStatus || a.status_ == b.status_);
    }

private:
    KeychainError(Kind kind, std::int32_t status, const std::string& description);

    Kind kind_;
    std::int32_t status_;
};

}  // namespace kindora
