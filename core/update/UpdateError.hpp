#pragma once

#include <stdexcept>
#include <string>

namespace kindora {

// Why an update could not be found, downloaded or installed. The message is written for the person
// using the agent: the popover shows it as it stands.
class UpdateError : public std::runtime_error {
public:
    enum class Kind {
        checkFailed,     // the package manager could not say whether an update is offered
        downloadFailed,  // the update's package could not be fetched
        installFailed,   // the package manager refused or failed to install it
    };

    UpdateError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}

    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

}  // namespace kindora
