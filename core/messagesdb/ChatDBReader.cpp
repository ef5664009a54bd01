#include "core/messagesdb/ChatDBReader.hpp"

#include <set>
#include <unordered_set>
#include <utility>

#include "core/common/SyncClock.hpp"
#include "core/messagesdb/AppleTime.hpp"
#include "core/messagesdb/SQLiteConnection.hpp"

namespace kindora {

const std::string ChatDBReader::inboundSQL =
    R"sql(SELECT m.ROWID, m.guid, m.text, m.attributedBody, m.date, m.service, h.id AS handle,
       c.chat_identifier, c.display_name, c.style, m.is_read
FROM message m
LEFT JOIN handle h ON m.handle_id = h.ROWID
LEFT JOIN chat_message_join cmj ON cmj.message_id = m.ROWID
LEFT JOIN chat c ON c.ROWID = cmj.chat_id
WHERE m.is_from_me = 0 AND m.ROWID > ? AND m.item_type = 0
      AND (m.associated_message_type IS NULL OR m.associated_message_type = 0)
ORDER BY m.ROWID ASC
LIMIT ?)sql";

const std::string ChatDBReader::countInboundSQL =
    R"sql(SELECT COUNT(*) FROM (
    SELECT m.ROWID
    FROM message m
    LEFT JOIN handle h ON m.handle_id = h.ROWID
    WHERE m.is_from_me = 0 AND m.ROWID > ? AND m.item_type = 0
          AND (m.associated_message_type IS NULL OR m.associated_message_type = 0)
          AND h.id IS NOT NULL
    LIMIT ?
))sql";

const std::string ChatDBReader::recentlyReadSQL =
    R"sql(SELECT m.guid, m.ROWID, m.date_read
FROM message m
WHERE m.is_from_me = 0 AND m.is_read = 1 AND m.item_type = 0
      AND (m.associated_message_type IS NULL OR m.associated_message_type = 0)
      AND m.ROWID <= ?
      AND m.date >= ?
      AND (m.date_read > ? OR (m.date_read = ? AND m.ROWID > ?))
ORDER BY m.date_read ASC, m.ROWID ASC
LIMIT ?)sql";

const std::string ChatDBReader::recentlyReadByDateSQL =
    R"sql(SELECT m.guid, m.ROWID, m.date_read
FROM message m INDEXED BY message_idx_date
WHERE m.is_from_me = 0 AND m.is_read = 1 AND m.item_type = 0
      AND (m.associated_message_type IS NULL OR m.associated_message_type = 0)
      AND m.ROWID <= ?
      AND m.date >= ?
      AND (m.date_read > ? OR (m.date_read = ? AND m.ROWID > ?))
ORDER BY m.date_read ASC, m.ROWID ASC
LIMIT ?)sql";

const std::string ChatDBReader::maxRowIDSQL = "SELECT MAX(ROWID) FROM message";

namespace {

const std::string readGUIDsPrefix =
    R"sql(SELECT guid FROM message
WHERE is_from_me = 0 AND is_read = 1 AND item_type = 0
      AND (associated_message_type IS NULL OR associated_message_type = 0)
      AND guid IN ()sql";

const std::string repliedGUIDsPrefix =
    R"sql(SELECT inbound.guid
FROM message inbound
JOIN chat_message_join inj ON inj.message_id = inbound.ROWID
WHERE inbound.guid IN ()sql";

const std::string repliedGUIDsSuffix =
    R"sql()
  AND EXISTS (
    SELECT 1 FROM chat_message_join outj
    JOIN message outbound ON outbound.ROWID = outj.message_id
    WHERE outj.chat_id = inj.chat_id
      AND outj.message_id > inj.message_id
      AND outbound.is_from_me = 1 AND outbound.item_type = 0
      AND (outbound.associated_message_type IS NULL OR outbound.associated_message_type = 0)
  ))sql";

std::string placeholders(std::size_t count) {
    std::string text;
    for (std::size_t index = 0; index < count; ++index) {
        text += index == 0 ? "?" : ",?";
    }
    return text;
}

std::vector<SQLiteBindable> bindingsOf(const std::vector<std::string>& guids) {
    return {guids.begin(), guids.end()};
}

bool hasText(const std::optional<std::string>& text) {
    return text && !text->empty();
}

// `guid` and `senderHandle` are the row's, read already.
MessageRow messageRowFrom(const SQLiteRow& row, std::string guid, std::string senderHandle) {
    MessageRow message;
    message.rowID = row.int64(0);
    message.guid = std::move(guid);
    message.text = row.optionalText(2);
    message.attributedBody = row.readBlob(3);
    message.date = AppleTime::date(row.int64(4));
    message.service = Service::fromColumn(row.optionalText(5));
    message.senderHandle = std::move(senderHandle);
    message.chatIdentifier = row.optionalText(7);
    message.chatDisplayName = row.optionalText(8);
    message.isGroup = !row.isNull(9) && row.int64(9) == 43;
    message.isRead = !row.isNull(10) && row.int64(10) == 1;
    return message;
}

}  // namespace

std::string ChatDBReader::readGUIDsSQL(std::size_t guidCount) {
    return readGUIDsPrefix + placeholders(guidCount) + ")";
}

std::string ChatDBReader::repliedGUIDsSQL(std::size_t guidCount) {
    return repliedGUIDsPrefix + placeholders(guidCount) + repliedGUIDsSuffix;
}

ChatDBReader::ChatDBReader(std::string databasePath)
    : ChatDBReader(std::move(databasePath), SyncClock::live().nowFunction()) {}

ChatDBReader::ChatDBReader(std::string databasePath, std::function<Date()> now, double connectionReuseSeconds)
    : databasePath_(std::move(databasePath)),
      connections_(
          std::make_unique<SQLiteConnectionReuse>(databasePath_, std::move(now), connectionReuseSeconds)) {}

InboundFetchResult ChatDBReader::fetchInbound(std::int64_t afterRowID, std::int64_t limit) const {
    return connections_->run([&](const SQLiteConnection& connection) {
        InboundFetchResult result;
        result.highestScannedRowID = afterRowID;
        std::unordered_set<std::string> seenGUIDs;
        seenGUIDs.reserve(static_cast<std::size_t>(std::max<std::int64_t>(limit, 0)));
        std::optional<std::int64_t> previousRowID;
        connection.query(inboundSQL, {afterRowID, limit}, [&](const SQLiteRow& row) {
            const std::int64_t rowID = row.int64(0);
            result.highestScannedRowID = std::max(result.highestScannedRowID, rowID);
            // A message joined to several chats comes once per chat, in adjacent rows (they are ordered
            // by ROWID); its first row wins.
            if (std::exchange(previousRowID, rowID) == rowID) {
                return;
            }
            std::optional<std::string> handle = row.optionalText(6);
            if (!hasText(handle)) {
                return;
            }
            std::optional<std::string> guid = row.optionalText(1);
            if (!hasText(guid) || !seenGUIDs.insert(*guid).second) {
                return;
            }
            result.rows.push_back(messageRowFrom(row, std::move(*guid), std::move(*handle)));
        });
        return result;
    });
}

std::int64_t ChatDBReader::countInbound(std::int64_t afterRowID, std::int64_t limit) const {
    return connections_->run([&](const SQLiteConnection& connection) {
        return connection.queryInt64(countInboundSQL, {afterRowID, limit});
    });
}

RecentlyReadFetchResult ChatDBReader::fetchRecentlyRead(std::int64_t afterDateRead, std::int64_t afterRowID,
                                                        std::int64_t maxRowID, std::int64_t minDate,
                                                        std::int64_t limit) const {
    return connections_->run([&](const SQLiteConnection& connection) {
        RecentlyReadFetchResult result;
        result.highestScannedDateRead = afterDateRead;
        result.highestScannedRowID = afterRowID;
        std::set<std::string> seenGUIDs;
        const std::vector<SQLiteBindable> bindings{maxRowID,      minDate,    afterDateRead,
                                                   afterDateRead, afterRowID, limit};
        const auto collect = [&](const SQLiteRow& row) {
            const std::int64_t rowID = row.int64(1);
            const std::int64_t dateRead = row.int64(2);
            if (dateRead > result.highestScannedDateRead) {
                result.highestScannedDateRead = dateRead;
                result.highestScannedRowID = rowID;
            } else if (dateRead == result.highestScannedDateRead) {
                result.highestScannedRowID = std::max(result.highestScannedRowID, rowID);
            }
            const std::optional<std::string> guid = row.optionalText(0);
            if (!hasText(guid) || !seenGUIDs.insert(*guid).second) {
                return;
            }
            result.rows.push_back({rowID, *guid, dateRead});
        };
        // Left to itself the planner walks the read-state index over every read inbound message and sorts
        // them, a cost that grows with the database although only the last day can match. A database
        // without message_idx_date (older or unusual ones) refuses the hint and gets the plain statement.
        if (!connection.queryIfPreparable(recentlyReadByDateSQL, bindings, collect)) {
            connection.query(recentlyReadSQL, bindings, collect);
        }
        return result;
    });
}

std::vector<std::string> ChatDBReader::fetchReadGUIDs(const std::vector<std::string>& guids) const {
    if (guids.empty()) {
        return {};
    }
    return connections_->run([&](const SQLiteConnection& connection) {
        return connection.queryStrings(readGUIDsSQL(guids.size()), bindingsOf(guids));
    });
}

std::vector<std::string> ChatDBReader::fetchRepliedGUIDs(const std::vector<std::string>& guids) const {
    if (guids.empty()) {
        return {};
    }
    return connections_->run([&](const SQLiteConnection& connection) {
        return connection.queryStrings(repliedGUIDsSQL(guids.size()), bindingsOf(guids));
    });
}

std::int64_t ChatDBReader::maxRowID() const {
    return connections_->run(
        [&](const SQLiteConnection& connection) { return connection.queryOptionalInt64(maxRowIDSQL); });
}

}  // namespace kindora
