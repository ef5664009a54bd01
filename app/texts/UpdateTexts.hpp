#pragma once

#include <QString>

#include <optional>

#include "core/common/UserText.hpp"
#include "core/update/PendingUpdate.hpp"

namespace kindora::UpdateTexts {

// The popover's update row, in the person's language. Plain functions, so that the rules are tested
// as tables.

// "Update 1.5 is available." until the package is downloaded, then "1.5 is ready to install.";
// nothing while no update is pending.
QString pendingUpdate(const std::optional<PendingUpdate>& pending);

// The row's button: "Install Update…" when one is ready, "View Update" when one is pending but not
// downloaded, else "Check for Updates…".
QString actionTitle(const std::optional<PendingUpdate>& pending);

// The caption under the row: what is being installed, else why the last step failed, else nothing.
QString caption(const std::optional<PendingUpdate>& pending, bool isInstalling,
                const std::optional<UserText>& lastError);

}  // namespace kindora::UpdateTexts
