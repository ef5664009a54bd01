#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/messagesdb/ChatDBReading.hpp"
#include "core/messagesdb/SQLiteError.hpp"

namespace kindora::testing {

// A Messages database in memory that answers the reader's questions the way the real reader does
// (row order, limits, the (date_read, ROWID) cursor), and fails on request. Safe to change from the
// test thread while an engine reads it.
class FakeChatDB final : public ChatDBReading {
public:
    struct ReadMessage {
        std::int64_t rowID = 0;
        std::string guid;
        std::int64_t dateRead = 0;  // Apple time units
        std::int64_t date = 0;      // nanoseconds since 2001-01-01
    };
    enum class Operation {
        fetchInbound,
        countInbound,
        fetchRecentlyRead,
        fetchReadGUIDs,
        fetchRepliedGUIDs,
        maxRowID
    };

    // An inbound message with text, sender and iMessage service; the row id is the next free one.
    MessageRow addMessage(const std::string& text = "hello");
    void addRow(MessageRow row);
    // A row the inbound query scans but does not return (no sender, say).
    void addUnusableRow(std::int64_t rowID);
    void addRead(ReadMessage read);
    void markRead(const std::string& guid);
    void markReplied(const std::string& guid);
    void setMaxRowIDOverride(std::optional<std::int64_t> value);
    // Drops every row, as a restored or replaced database would start afresh.
    void clear();

    void failWith(Operation operation, std::optional<SQLiteError> error);
    std::size_t calls(Operation operation) const;
    std::vector<std::vector<std::string>> watchQueries() const;
    std::int64_t highestRowID() const;

    InboundFetchResult fetchInbound(std::int64_t afterRowID, std::int64_t limit) const override;
    std::int64_t countInbound(std::int64_t afterRowID, std::int64_t limit) const override;
    RecentlyReadFetchResult fetchRecentlyRead(std::int64_t afterDateRead, std::int64_t afterRowID,
                                              std::int64_t maxRowID, std::int64_t minDate,
                                              std::int64_t limit) const override;
    std::vector<std::string> fetchReadGUIDs(const std::vector<std::string>& guids) const override;
    std::vector<std::string> fetchRepliedGUIDs(const std::vector<std::string>& guids) const override;
    std::int64_t maxRowID() const override;

private:
    void enter(Operation operation) const;

    mutable std::mutex mutex_;
    std::map<std::int64_t, MessageRow> rows_;
    std::set<std::int64_t> unusableRows_;
    std::vector<ReadMessage> reads_;
    std::set<std::string> readGUIDs_;
    std::set<std::string> repliedGUIDs_;
    std::optional<std::int64_t> maxRowIDOverride_;
    std::map<Operation, SQLiteError> failures_;
    mutable std::map<Operation, std::size_t> calls_;
    mutable std::vector<std::vector<std::string>> watchQueries_;
};

}  // namespace kindora::testing
