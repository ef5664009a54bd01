#pragma once

#include <optional>
#include <string>

#include "core/common/Date.hpp"
#include "core/lifecycle/Health.hpp"
#include "core/sync/SyncStatus.hpp"

namespace kindora::StatusTexts {

// The texts the menu-bar window and the wizard compute from state. Plain functions, so that the rules
// are tested as tables and the views only place the results.

// Remaining do-not-disturb time, rounded up to whole minutes: "59m left", "1h left", "1h 1m left".
std::string doNotDisturbRemaining(Date until, Date now);

// "1 alert waiting", "2 alerts waiting"; nothing for zero or fewer.
std::optional<std::string> alertsWaiting(int moreCount);

// Minutes and seconds of an interval rounded to the nearest second (halves away from zero), never
// negative, minutes not capped: "0:05", "75:00".
std::string countdown(double seconds);

// "Code expires in 4:59" while the code is valid, "Code expired" from its expiry on.
std::string pairingCodeExpiry(Date expiresAt, Date now);

// The caption of the retry row, shown only when sync reports an error or never completed.
std::optional<std::string> retryCaption(const SyncStatus& status);

// The header's status pill: "Running" or "Degraded".
std::string healthLabel(const Health& health);

// The value of the "Last sync" and "Heartbeat" rows: "—" when absent, the local time of day when it
// falls on the same local day as `now`, else the local date and time.
std::string statTime(const std::optional<Date>& date, Date now);

// "3 steps left" under the wizard's primary button; nothing on the last step.
std::optional<std::string> stepsLeft(const std::optional<int>& stepsRemaining);

}  // namespace kindora::StatusTexts
