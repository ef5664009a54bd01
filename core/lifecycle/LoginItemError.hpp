#pragma once

#include <stdexcept>
#include <string>

namespace kindora {

// Registering or unregistering the login item failed; what() is the description shown to the user.
class LoginItemError : public std::runtime_error {
public:
    explicit LoginItemError(const std::string& description) : std::runtime_error(description) {}
};

}  // namespace kindora
