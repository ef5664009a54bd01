#pragma once

#include <stdexcept>
#include <string>

namespace kindora {

// Why an update could not be found, fetched, verified or installed. The message is written for the
// person using the agent: the popover shows it as it stands.
class UpdateError : public std::runtime_error {
public:
    enum class Kind {
        invalidVersion,     // a version string that is not one
        malformedFeed,      // the feed is not a well-formed appcast, or breaks one of its limits
        feedUnavailable,    // the feed could not be fetched
        downloadFailed,     // the package could not be fetched or stored
        lengthMismatch,     // the package is not as long as the feed says
        signatureMismatch,  // the package's signature is not the maintainers'
        installFailed,      // the system's installer refused or failed
    };

    UpdateError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}

    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

}  // namespace kindora
