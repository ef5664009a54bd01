#pragma once

#include <cstdint>
#include <optional>

#include "core/common/Date.hpp"
#include "core/common/UserText.hpp"

namespace kindora {

namespace SyncStatusTexts {
// Two things the status tells at once: an error and a notice, or two notices.
inline constexpr Phrase joined = KINDORA_PHRASE("SyncStatus", "%1; %2");
}  // namespace SyncStatusTexts

// What the sync engine publishes after each tick for the menu bar: the last clean sync, the current
// error text, the forwarded counts and how far the agent lags behind the Messages database.
struct SyncStatus {
    std::optional<Date> lastSyncAt;
    std::optional<UserText> lastError;
    std::int64_t sessionSentCount = 0;
    std::int64_t lifetimeSentCount = 0;
    // Inbound rows waiting after the watermark, counted up to 200 (200 means 200 or more).
    std::int64_t queueLagRowCount = 0;

    friend bool operator==(const SyncStatus&, const SyncStatus&) = default;
};

}  // namespace kindora
