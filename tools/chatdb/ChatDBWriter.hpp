#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "tools/chatdb/NewMessage.hpp"

struct sqlite3;
struct sqlite3_stmt;

namespace kindora {

// A writing connection to a Messages database, playing the part of Messages itself: creates the file
// with its layout, adds handles, chats and messages. Failures throw SQLiteError.
class ChatDBWriter {
public:
    // Creates a new database at `path` (which must not exist) with the Messages layout, in WAL mode.
    static ChatDBWriter create(const std::string& path);
    // Opens an existing database for writing; waits up to `busyTimeoutMilliseconds` for a lock.
    static ChatDBWriter open(const std::string& path, int busyTimeoutMilliseconds = 5000);

    ChatDBWriter(ChatDBWriter&& other) noexcept;
    ChatDBWriter& operator=(ChatDBWriter&&) = delete;
    ChatDBWriter(const ChatDBWriter&) = delete;
    ChatDBWriter& operator=(const ChatDBWriter&) = delete;
    ~ChatDBWriter();

    std::int64_t addHandle(const std::string& id, const std::string& service);
    std::int64_t addChat(const std::string& guid, std::optional<std::int64_t> style,
                         const std::string& chatIdentifier, const std::optional<std::string>& displayName,
                         const std::string& serviceName);
    std::int64_t addMessage(const NewMessage& message);
    void joinChat(std::int64_t chatID, std::int64_t messageID, std::int64_t messageDate);

    // Runs statements without parameters (transactions, pragmas, updates).
    void execute(const std::string& sql);
    // The integer in column 0 of the first row of `sql`; 0 when there is no row or it is NULL.
    std::int64_t queryInt64(const std::string& sql);

    sqlite3* db() const { return db_; }

private:
    struct Statements;

    explicit ChatDBWriter(sqlite3* db);
    sqlite3_stmt* prepared(sqlite3_stmt*& slot, const char* sql);
    void stepOnce(sqlite3_stmt* statement);

    sqlite3* db_;
    std::unique_ptr<Statements> statements_;
};

}  // namespace kindora
