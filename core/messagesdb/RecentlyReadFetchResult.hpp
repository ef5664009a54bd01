#pragma once

#include <cstdint>
#include <vector>

#include "core/messagesdb/RecentlyReadRow.hpp"

namespace kindora {

// One page of read messages, and the highest (date_read, ROWID) pair the page looked at.
struct RecentlyReadFetchResult {
    std::vector<RecentlyReadRow> rows;
    std::int64_t highestScannedDateRead = 0;
    std::int64_t highestScannedRowID = 0;

    friend bool operator==(const RecentlyReadFetchResult&, const RecentlyReadFetchResult&) = default;
};

}  // namespace kindora
