#pragma once

#include <QString>

#include <optional>

#include "core/common/Date.hpp"
#include "core/lifecycle/Health.hpp"
#include "core/sync/SyncStatus.hpp"

namespace kindora::StatusTexts {

// The texts the menu-bar window and the wizard compute from state, in the person's language. Plain
// functions, so that the rules are tested as tables and the views only place the results.

// Remaining do-not-disturb time, rounded up to whole minutes: "59m left", "1h left", "1h 1m left".
QString doNotDisturbRemaining(Date until, Date now);

// "1 alert waiting", "2 alerts waiting"; nothing for zero or fewer.
std::optional<QString> alertsWaiting(int moreCount);

// Minutes and seconds of an interval rounded to the nearest second (halves away from zero), never
// negative, minutes not capped: "0:05", "75:00".
QString countdown(double seconds);

// "Code expires in 4:59" while the code is valid, "Code expired" from its expiry on.
QString pairingCodeExpiry(Date expiresAt, Date now);

// The caption of the retry row, shown only when sync reports an error or never completed.
std::optional<QString> retryCaption(const SyncStatus& status);

// The header's status pill: "Running" or "Degraded".
QString healthLabel(const Health& health);

// The value of the "Last sync" and "Heartbeat" rows: "—" when absent, the local time of day when it
// falls on the same local day as `now`, else the local date and time.
QString statTime(const std::optional<Date>& date, Date now);

// "3 steps left" under the wizard's primary button; nothing on the last step.
std::optional<QString> stepsLeft(const std::optional<int>& stepsRemaining);

}  // namespace kindora::StatusTexts
