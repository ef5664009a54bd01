#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "core/messagesdb/ChatDBReading.hpp"
#include "core/messagesdb/SQLiteConnectionReuse.hpp"

namespace kindora {

// Reads the Messages database with fixed SQL over read-only connections. An operation that follows
// the previous one within `connectionReuseSeconds` (those of one sync tick) reuses its connection;
// otherwise, and after any failure, it opens a fresh one (see SQLiteConnectionReuse). Safe to use
// from several threads.
class ChatDBReader : public ChatDBReading {
public:
    explicit ChatDBReader(std::string databasePath);
    // `now` times the reuse window.
    ChatDBReader(std::string databasePath, std::function<Date()> now,
                 double connectionReuseSeconds = SQLiteConnectionReuse::defaultWindowSeconds);

    const std::string& databasePath() const { return databasePath_; }

    InboundFetchResult fetchInbound(std::int64_t afterRowID, std::int64_t limit) const override;
    std::int64_t countInbound(std::int64_t afterRowID, std::int64_t limit) const override;
    RecentlyReadFetchResult fetchRecentlyRead(std::int64_t afterDateRead, std::int64_t afterRowID,
                                              std::int64_t maxRowID, std::int64_t minDate,
                                              std::int64_t limit) const override;
    std::vector<std::string> fetchReadGUIDs(const std::vector<std::string>& guids) const override;
    std::vector<std::string> fetchRepliedGUIDs(const std::vector<std::string>& guids) const override;
    std::int64_t maxRowID() const override;

    // The statements, exact; the two GUID lists get one "?" per GUID.
    static const std::string inboundSQL;
    static const std::string countInboundSQL;
    static const std::string recentlyReadSQL;
    // recentlyReadSQL reaching its rows through message_idx_date: the same rows in the same order (the
    // WHERE and ORDER BY are untouched), but it walks only the messages of the scan window instead of
    // every read inbound message the database holds. Used whenever the database has that index.
    static const std::string recentlyReadByDateSQL;
    static const std::string maxRowIDSQL;
    static std::string readGUIDsSQL(std::size_t guidCount);
    static std::string repliedGUIDsSQL(std::size_t guidCount);

private:
    std::string databasePath_;
    std::unique_ptr<SQLiteConnectionReuse> connections_;
};

}  // namespace kindora
