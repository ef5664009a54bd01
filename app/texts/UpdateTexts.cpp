#include "app/texts/UpdateTexts.hpp"

namespace kindora::UpdateTexts {

std::string pendingUpdate(const std::optional<PendingUpdate>& pending) {
    if (!pending) {
        return {};
    }
    return pending->isDownloaded ? pending->version + " is ready to install."
                                 : "Update " + pending->version + " is available.";
}

std::string actionTitle(const std::optional<PendingUpdate>& pending) {
    if (!pending) {
        return "Check for Updates…";
    }
    return pending->isDownloaded ? "Install Update…" : "View Update";
}

std::string caption(const std::optional<PendingUpdate>& pending, bool isInstalling,
                    const std::optional<std::string>& lastError) {
    if (isInstalling) {
        return pending ? "Installing " + pending->version + "…" : "Installing the update…";
    }
    return lastError.value_or("");
}

}  // namespace kindora::UpdateTexts
