#include "tools/chatdb/ChatDBWriter.hpp"

#include <sqlite3.h>

#include <filesystem>
#include <limits>
#include <utility>

#include "core/messagesdb/SQLiteError.hpp"
#include "tools/chatdb/ChatDBSchema.hpp"

namespace kindora {

struct ChatDBWriter::Statements {
    sqlite3_stmt* handle = nullptr;
    sqlite3_stmt* chat = nullptr;
    sqlite3_stmt* message = nullptr;
    sqlite3_stmt* join = nullptr;

    ~Statements() {
        for (sqlite3_stmt* statement : {handle, chat, message, join}) {
            sqlite3_finalize(statement);
        }
    }
};

namespace {

[[noreturn]] void fail(sqlite3* db, int result) {
    if (result == SQLITE_BUSY || result == SQLITE_LOCKED) {
        throw SQLiteError::busy();
    }
    throw SQLiteError::failure(result, db != nullptr ? sqlite3_errmsg(db) : "sqlite3_open_v2 failed");
}

void check(sqlite3* db, int result) {
    if (result != SQLITE_OK) {
        fail(db, result);
    }
}

sqlite3* openHandle(const std::string& path, int flags) {
    sqlite3* db = nullptr;
    const int result = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (result != SQLITE_OK) {
        const std::string message = db != nullptr ? sqlite3_errmsg(db) : "sqlite3_open_v2 failed";
        sqlite3_close_v2(db);
        throw SQLiteError::failure(result, message);
    }
    return db;
}

void bindText(sqlite3* db, sqlite3_stmt* statement, int index, const std::optional<std::string>& text) {
    if (!text) {
        check(db, sqlite3_bind_null(statement, index));
        return;
    }
    if (text->size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        throw SQLiteError::failure(SQLITE_TOOBIG, "text too long");
    }
    // Bound by length, byte for byte, so that damaged (invalid UTF-8) text is stored as it is.
    check(db, sqlite3_bind_text(statement, index, text->data(), static_cast<int>(text->size()),
                                SQLITE_TRANSIENT));
}

void bindInt(sqlite3* db, sqlite3_stmt* statement, int index, const std::optional<std::int64_t>& value) {
    check(db, value ? sqlite3_bind_int64(statement, index, *value) : sqlite3_bind_null(statement, index));
}

void bindBlob(sqlite3* db, sqlite3_stmt* statement, int index,
              const std::optional<std::vector<std::uint8_t>>& bytes) {
    if (!bytes) {
        check(db, sqlite3_bind_null(statement, index));
        return;
    }
    check(db, sqlite3_bind_blob64(statement, index, bytes->data(), bytes->size(), SQLITE_TRANSIENT));
}

}  // namespace

ChatDBWriter::ChatDBWriter(sqlite3* db) : db_(db), statements_(std::make_unique<Statements>()) {}

ChatDBWriter::ChatDBWriter(ChatDBWriter&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), statements_(std::move(other.statements_)) {}

ChatDBWriter::~ChatDBWriter() {
    statements_.reset();
    sqlite3_close_v2(db_);
}

ChatDBWriter ChatDBWriter::create(const std::string& path) {
    if (std::filesystem::exists(path)) {
        throw SQLiteError::failure(SQLITE_CANTOPEN, "A file already exists at " + path);
    }
    ChatDBWriter writer(openHandle(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
    writer.execute("PRAGMA journal_mode=WAL");
    writer.execute("BEGIN");
    for (const std::string& statement : ChatDBSchema::statements()) {
        writer.execute(statement);
    }
    writer.execute("COMMIT");
    return writer;
}

ChatDBWriter ChatDBWriter::open(const std::string& path, int busyTimeoutMilliseconds) {
    ChatDBWriter writer(openHandle(path, SQLITE_OPEN_READWRITE));
    sqlite3_busy_timeout(writer.db_, busyTimeoutMilliseconds);
    // Fails here, not halfway through a batch, when the file is no Messages database.
    writer.queryInt64("SELECT COUNT(*) FROM message WHERE ROWID = 0");
    return writer;
}

void ChatDBWriter::execute(const std::string& sql) {
    char* error = nullptr;
    const int result = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
    sqlite3_free(error);
    check(db_, result);
}

std::int64_t ChatDBWriter::queryInt64(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    check(db_, sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr));
    const int result = sqlite3_step(statement);
    const std::int64_t value = result == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : 0;
    sqlite3_finalize(statement);
    if (result != SQLITE_ROW && result != SQLITE_DONE) {
        fail(db_, result);
    }
    return value;
}

sqlite3_stmt* ChatDBWriter::prepared(sqlite3_stmt*& slot, const char* sql) {
    if (slot == nullptr) {
        check(db_, sqlite3_prepare_v2(db_, sql, -1, &slot, nullptr));
    }
    sqlite3_reset(slot);
    sqlite3_clear_bindings(slot);
    return slot;
}

void ChatDBWriter::stepOnce(sqlite3_stmt* statement) {
    const int result = sqlite3_step(statement);
    sqlite3_reset(statement);
    if (result != SQLITE_DONE) {
        fail(db_, result);
    }
}

std::int64_t ChatDBWriter::addHandle(const std::string& id, const std::string& service) {
    sqlite3_stmt* statement =
        prepared(statements_->handle,
                 "INSERT INTO handle (id, country, service, uncanonicalized_id) VALUES (?, 'us', ?, ?)");
    bindText(db_, statement, 1, id);
    bindText(db_, statement, 2, service);
    bindText(db_, statement, 3, id);
    stepOnce(statement);
    return sqlite3_last_insert_rowid(db_);
}

std::int64_t ChatDBWriter::addChat(const std::string& guid, std::optional<std::int64_t> style,
                                   const std::string& chatIdentifier,
                                   const std::optional<std::string>& displayName,
                                   const std::string& serviceName) {
    sqlite3_stmt* statement = prepared(statements_->chat,
                                       "INSERT INTO chat (guid, style, state, chat_identifier, service_name, "
                                       "display_name) VALUES (?, ?, 3, ?, ?, ?)");
    bindText(db_, statement, 1, guid);
    bindInt(db_, statement, 2, style);
    bindText(db_, statement, 3, chatIdentifier);
    bindText(db_, statement, 4, serviceName);
    bindText(db_, statement, 5, displayName);
    stepOnce(statement);
    return sqlite3_last_insert_rowid(db_);
}

std::int64_t ChatDBWriter::addMessage(const NewMessage& message) {
    sqlite3_stmt* statement = prepared(
        statements_->message,
        "INSERT INTO message (ROWID, guid, text, attributedBody, handle_id, service, date, date_read, "
        "date_delivered, is_from_me, is_read, item_type, associated_message_type, associated_message_guid, "
        "is_delivered, is_finished, is_sent) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 1, 1, ?)");
    bindInt(db_, statement, 1, message.rowID);
    bindText(db_, statement, 2, message.guid);
    bindText(db_, statement, 3, message.text);
    bindBlob(db_, statement, 4, message.attributedBody);
    bindInt(db_, statement, 5, message.handleID);
    bindText(db_, statement, 6, message.service);
    bindInt(db_, statement, 7, message.date);
    bindInt(db_, statement, 8, message.dateRead.value_or(0));
    bindInt(db_, statement, 9, message.isFromMe ? 0 : message.date);
    bindInt(db_, statement, 10, message.isFromMe ? 1 : 0);
    bindInt(db_, statement, 11, message.isRead);
    bindInt(db_, statement, 12, message.itemType);
    bindInt(db_, statement, 13, message.associatedMessageType);
    bindText(db_, statement, 14, message.associatedMessageGUID);
    bindInt(db_, statement, 15, message.isFromMe ? 1 : 0);
    stepOnce(statement);
    return sqlite3_last_insert_rowid(db_);
}

void ChatDBWriter::joinChat(std::int64_t chatID, std::int64_t messageID, std::int64_t messageDate) {
    sqlite3_stmt* statement =
        prepared(statements_->join,
                 "INSERT INTO chat_message_join (chat_id, message_id, message_date) VALUES (?, ?, ?)");
    bindInt(db_, statement, 1, chatID);
    bindInt(db_, statement, 2, messageID);
    bindInt(db_, statement, 3, messageDate);
    stepOnce(statement);
}

}  // namespace kindora
