#include "core/credentials/KeychainError.hpp"

namespace kindora {

KeychainError::KeychainError(Kind kind, std::int32_t status, const std::string& description)
    : std::runtime_error(description), kind_(kind), status_(status) {}

KeychainError KeychainError::osStatus(std::int32_t status, const std::string& detail) {
    std::string description = "credential store error " + std::to_string(status);
    if (!detail.empty()) {
        description += ": " + detail;
    }
    return KeychainError(Kind::osStatus, status, description);
}

KeychainError KeychainError::invalidTokenEncoding() {
    return KeychainError(Kind::invalidTokenEncoding, 0, "the device token is not valid UTF-8");
}

KeychainError KeychainError::invalidDeviceIdEncoding() {
    return KeychainError(Kind::invalidDeviceIdEncoding, 0, "the device id is not valid UTF-8");
}

}  // namespace kindora
