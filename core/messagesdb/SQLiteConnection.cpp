#include "core/messagesdb/SQLiteConnection.hpp"

#include <sqlite3.h>

#include <limits>
#include <set>
#include <utility>

namespace kindora {

namespace {

bool isBusyCode(int result) {
    return result == SQLITE_BUSY || result == SQLITE_LOCKED;
}

// Gives the statement back (reset, so that no read transaction stays open) on every path out of
// query(), the error paths included.
class StatementGuard {
public:
    StatementGuard(SQLiteStatementCache& cache, const std::string& sql, sqlite3_stmt* statement)
        : cache_(cache), sql_(sql), statement_(statement) {}
    StatementGuard(const StatementGuard&) = delete;
    StatementGuard& operator=(const StatementGuard&) = delete;
    ~StatementGuard() { cache_.giveBack(sql_, statement_); }

private:
    SQLiteStatementCache& cache_;
    const std::string& sql_;
    sqlite3_stmt* statement_;
};

}  // namespace

SQLiteConnection SQLiteConnection::open(const std::string& path) {
    sqlite3* handle = nullptr;
    const int result = sqlite3_open_v2(path.c_str(), &handle, SQLITE_OPEN_READONLY, nullptr);
    if (result != SQLITE_OK) {
        std::string message = "sqlite3_open_v2 failed";
        if (handle != nullptr) {
            message = sqlite3_errmsg(handle);
            sqlite3_close_v2(handle);
        }
        throw SQLiteError::failure(result, message);
    }
    if (handle == nullptr) {
        throw SQLiteError::failure(0, "sqlite3_open_v2 failed");
    }
    sqlite3_busy_timeout(handle, busyTimeoutMilliseconds);
    return SQLiteConnection(handle);
}

SQLiteConnection::SQLiteConnection(SQLiteConnection&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), statements_(std::move(other.statements_)) {}

SQLiteConnection& SQLiteConnection::operator=(SQLiteConnection&& other) noexcept {
    if (this != &other) {
        statements_.clear();
        sqlite3_close_v2(db_);
        db_ = std::exchange(other.db_, nullptr);
        statements_ = std::move(other.statements_);
    }
    return *this;
}

SQLiteConnection::~SQLiteConnection() {
    statements_.clear();
    sqlite3_close_v2(db_);
}

void SQLiteConnection::query(const std::string& sql, const std::vector<SQLiteBindable>& bindings,
                             const RowReader& row) const {
    run(sql, bindings, row, RefusedStatement::fail);
}

bool SQLiteConnection::queryIfPreparable(const std::string& sql, const std::vector<SQLiteBindable>& bindings,
                                         const RowReader& row) const {
    return run(sql, bindings, row, RefusedStatement::decline);
}

bool SQLiteConnection::run(const std::string& sql, const std::vector<SQLiteBindable>& bindings,
                           const RowReader& row, RefusedStatement refused) const {
    sqlite3_stmt* statement = nullptr;
    const int prepared = statements_.take(db_, sql, &statement);
    if (isBusyCode(prepared)) {
        sqlite3_finalize(statement);
        throw SQLiteError::busy();
    }
    // SQLITE_ERROR at prepare time is about the statement's text against this schema; I/O, permission
    // and corruption failures have codes of their own and still throw.
    if (prepared == SQLITE_ERROR && refused == RefusedStatement::decline) {
        sqlite3_finalize(statement);
        return false;
    }
    if (prepared != SQLITE_OK || statement == nullptr) {
        sqlite3_finalize(statement);
        throw SQLiteError::failure(prepared, sqlite3_errmsg(db_));
    }
    const StatementGuard guard(statements_, sql, statement);

    if (bindings.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        throw SQLiteError::failure(SQLITE_RANGE, "too many bindings");
    }
    int index = 1;
    for (const SQLiteBindable& value : bindings) {
        const int bound = bindSQLiteValue(statement, index, value);
        if (isBusyCode(bound)) {
            throw SQLiteError::busy();
        }
        if (bound != SQLITE_OK) {
            throw SQLiteError::failure(bound, sqlite3_errmsg(db_));
        }
        ++index;
    }

    const SQLiteRow current(statement);
    int stepped = sqlite3_step(statement);
    while (stepped == SQLITE_ROW) {
        row(current);
        stepped = sqlite3_step(statement);
    }
    if (isBusyCode(stepped)) {
        throw SQLiteError::busy();
    }
    if (stepped != SQLITE_DONE) {
        throw SQLiteError::failure(stepped, sqlite3_errmsg(db_));
    }
    return true;
}

std::int64_t SQLiteConnection::queryInt64(const std::string& sql,
                                          const std::vector<SQLiteBindable>& bindings) const {
    std::int64_t value = 0;
    query(sql, bindings, [&](const SQLiteRow& row) { value = row.int64(0); });
    return value;
}

std::int64_t SQLiteConnection::queryOptionalInt64(const std::string& sql,
                                                  const std::vector<SQLiteBindable>& bindings) const {
    std::int64_t value = 0;
    query(sql, bindings, [&](const SQLiteRow& row) { value = row.isNull(0) ? 0 : row.int64(0); });
    return value;
}

std::vector<std::string> SQLiteConnection::queryStrings(const std::string& sql,
                                                        const std::vector<SQLiteBindable>& bindings) const {
    std::vector<std::string> values;
    std::set<std::string> seen;
    query(sql, bindings, [&](const SQLiteRow& row) {
        std::optional<std::string> text = row.optionalText(0);
        if (text && seen.insert(*text).second) {
            values.push_back(std::move(*text));
        }
    });
    return values;
}

void SQLiteConnection::execute(const std::string& sql, const std::vector<SQLiteBindable>& bindings) const {
    query(sql, bindings, [](const SQLiteRow&) {});
}

}  // namespace kindora
