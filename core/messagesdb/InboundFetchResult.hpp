#pragma once

#include <cstdint>
#include <vector>

#include "core/messagesdb/MessageRow.hpp"

namespace kindora {

// One page of inbound messages, and the highest ROWID the page looked at (usable rows or not).
struct InboundFetchResult {
    std::vector<MessageRow> rows;
    std::int64_t highestScannedRowID = 0;

    friend bool operator==(const InboundFetchResult&, const InboundFetchResult&) = default;
};

}  // namespace kindora
