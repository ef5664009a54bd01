#pragma once

#include <stdexcept>

#include "core/common/UserText.hpp"

namespace kindora {

// Why an update could not be found, downloaded or installed, for the person using the agent: the
// popover shows `text()` in their language, the log its English.
class UpdateError : public std::runtime_error {
public:
    enum class Kind {
        checkFailed,     // the package manager could not say whether an update is offered
        downloadFailed,  // the update's package could not be fetched
        installFailed,   // the package manager refused or failed to install it
    };

    static constexpr Phrase checkFailedText = KINDORA_PHRASE("Updates", "Could not check for updates: %1");
    static constexpr Phrase downloadFailedText =
        KINDORA_PHRASE("Updates", "The update could not be downloaded: %1");
    static constexpr Phrase installFailedText =
        KINDORA_PHRASE("Updates", "The update could not be installed: %1");

    // `reason` completes the sentence of the kind ("Could not check for updates: <reason>").
    UpdateError(Kind kind, const UserText& reason)
        : std::runtime_error(UserText(leadOf(kind), {reason}).english()),
          kind_(kind),
          text_(leadOf(kind), {reason}) {}

    Kind kind() const { return kind_; }
    const UserText& text() const { return text_; }

private:
    static Phrase leadOf(Kind kind) {
        switch (kind) {
            case Kind::downloadFailed:
                return downloadFailedText;
            case Kind::installFailed:
                return installFailedText;
            case Kind::checkFailed:
                break;
        }
        return checkFailedText;
    }

    Kind kind_;
    UserText text_;
};

}  // namespace kindora
