#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/messagesdb/SQLiteBindable.hpp"
#include "core/messagesdb/SQLiteError.hpp"
#include "core/messagesdb/SQLiteRow.hpp"
#include "core/messagesdb/SQLiteStatementCache.hpp"

struct sqlite3;

namespace kindora {

// One read-only connection to a SQLite database, owned for the length of one reader operation and
// closed when released. Every failure is thrown as SQLiteError; a locked database gives `busy`.
// Statements are prepared once per text and kept for the connection's life, reset between queries.
class SQLiteConnection {
public:
    // Milliseconds SQLite itself keeps retrying while another process holds a lock.
    static constexpr int busyTimeoutMilliseconds = 2000;

    // Opens `path` read-only (never creates a file) with the busy timeout set.
    static SQLiteConnection open(const std::string& path);

    SQLiteConnection(SQLiteConnection&& other) noexcept;
    SQLiteConnection& operator=(SQLiteConnection&& other) noexcept;
    SQLiteConnection(const SQLiteConnection&) = delete;
    SQLiteConnection& operator=(const SQLiteConnection&) = delete;
    ~SQLiteConnection();

    using RowReader = std::function<void(const SQLiteRow&)>;

    // Prepares `sql`, binds `bindings` at 1, 2, ..., and calls `row` for every result row.
    void query(const std::string& sql, const std::vector<SQLiteBindable>& bindings,
               const RowReader& row) const;

    // As query(), except that when SQLite refuses to prepare `sql` as an error in the statement itself
    // (an unknown index, a plan it cannot make) nothing runs and false is returned, so that the caller
    // can fall back to another statement. Busy and every other failure throw as in query().
    bool queryIfPreparable(const std::string& sql, const std::vector<SQLiteBindable>& bindings,
                           const RowReader& row) const;

    // Column 0 of the last row as an integer; 0 without rows.
    std::int64_t queryInt64(const std::string& sql, const std::vector<SQLiteBindable>& bindings = {}) const;
    // As queryInt64, with a NULL column 0 read as 0 (MAX over an empty table).
    std::int64_t queryOptionalInt64(const std::string& sql,
                                    const std::vector<SQLiteBindable>& bindings = {}) const;
    // The distinct non-NULL texts of column 0, in row order.
    std::vector<std::string> queryStrings(const std::string& sql,
                                          const std::vector<SQLiteBindable>& bindings = {}) const;
    // Runs `sql` for its success or its error only.
    void execute(const std::string& sql, const std::vector<SQLiteBindable>& bindings = {}) const;

    sqlite3* db() const { return db_; }

private:
    explicit SQLiteConnection(sqlite3* db) : db_(db) {}

    enum class RefusedStatement { fail, decline };
    bool run(const std::string& sql, const std::vector<SQLiteBindable>& bindings, const RowReader& row,
             RefusedStatement refused) const;

    sqlite3* db_;
    mutable SQLiteStatementCache statements_;
};

}  // namespace kindora
