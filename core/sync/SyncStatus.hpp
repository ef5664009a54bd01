#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/common/Date.hpp"

namespace kindora {

// What the sync engine publishes after each tick for the menu bar: the last clean sync, the current
// error text, the forwarded counts and how far the agent lags behind the Messages database.
struct SyncStatus {
    std::optional<Date> lastSyncAt;
    std::optional<std::string> lastError;
    std::int64_t sessionSentCount = 0;
    std::int64_t lifetimeSentCount = 0;
    // Inbound rows waiting after the watermark, counted up to 200 (200 means 200 or more).
    std::int64_t queueLagRowCount = 0;

    friend bool operator==(const SyncStatus&, const SyncStatus&) = default;
};

}  // namespace kindora
