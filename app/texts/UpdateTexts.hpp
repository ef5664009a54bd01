#pragma once

#include <optional>
#include <string>

#include "core/update/PendingUpdate.hpp"

namespace kindora::UpdateTexts {

// The popover's update row. Plain functions, so that the rules are tested as tables.

// "Update 1.5 is available." until the package is downloaded, then "1.5 is ready to install.";
// nothing while no update is pending.
std::string pendingUpdate(const std::optional<PendingUpdate>& pending);

// The row's button: "Install Update…" when one is ready, "View Update" when one is pending but not
// downloaded, else "Check for Updates…".
std::string actionTitle(const std::optional<PendingUpdate>& pending);

// The caption under the row: what is being installed, else why the last step failed, else nothing.
std::string caption(const std::optional<PendingUpdate>& pending, bool isInstalling,
                    const std::optional<std::string>& lastError);

}  // namespace kindora::UpdateTexts
