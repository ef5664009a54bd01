#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/messagesdb/InboundFetchResult.hpp"
#include "core/messagesdb/RecentlyReadFetchResult.hpp"

namespace kindora {

// The questions the sync engine asks of the Messages database. Every operation is synchronous and may
// throw SQLiteError (`busy` while Messages holds a lock).
class ChatDBReading {
public:
    virtual ~ChatDBReading() = default;

    // Inbound ordinary messages after `afterRowID`, at most `limit` joined rows.
    virtual InboundFetchResult fetchInbound(std::int64_t afterRowID, std::int64_t limit) const = 0;
    // How many inbound messages with a sender wait after `afterRowID`, counting at most `limit`.
    virtual std::int64_t countInbound(std::int64_t afterRowID, std::int64_t limit) const = 0;
    // Inbound messages read after the (afterDateRead, afterRowID) pair, up to `maxRowID`, dated at or
    // after `minDate` (nanoseconds since 2001-01-01), ordered by date_read then ROWID.
    virtual RecentlyReadFetchResult fetchRecentlyRead(std::int64_t afterDateRead, std::int64_t afterRowID,
                                                      std::int64_t maxRowID, std::int64_t minDate,
                                                      std::int64_t limit) const = 0;
    // Those of `guids` whose inbound message is now read.
    virtual std::vector<std::string> fetchReadGUIDs(const std::vector<std::string>& guids) const = 0;
    // Those of `guids` followed by an ordinary outgoing message in one of their chats.
    virtual std::vector<std::string> fetchRepliedGUIDs(const std::vector<std::string>& guids) const = 0;
    // The highest message ROWID; 0 for an empty table.
    virtual std::int64_t maxRowID() const = 0;
};

}  // namespace kindora
