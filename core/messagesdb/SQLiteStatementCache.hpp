#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace kindora {

// The prepared statements of one connection, kept between queries of the same text. Preparing costs
// more than running most of the reader's queries (a sync drain runs the same page query hundreds of
// times on one connection). A statement is taken out while it runs, so a query issued from inside
// another one's rows gets its own, and it is reset when given back, so that a kept statement never
// holds a read transaction open on a database another program writes.
class SQLiteStatementCache {
public:
    // Statements kept at most; texts beyond it (the IN lists of every length) are finalized after use.
    static constexpr std::size_t capacity = 16;

    SQLiteStatementCache() = default;
    SQLiteStatementCache(SQLiteStatementCache&& other) noexcept;
    SQLiteStatementCache& operator=(SQLiteStatementCache&& other) noexcept;
    SQLiteStatementCache(const SQLiteStatementCache&) = delete;
    SQLiteStatementCache& operator=(const SQLiteStatementCache&) = delete;
    ~SQLiteStatementCache();

    // A statement for `sql` on `db`, kept or freshly prepared; sqlite3_prepare_v2's result code otherwise
    // (with `*statement` null or to be finalized by the caller, as sqlite3_prepare_v2 leaves it).
    int take(sqlite3* db, const std::string& sql, sqlite3_stmt** statement);

    // Ends a use of `statement` (taken for `sql`): resets it, clears its bindings and keeps it, or
    // finalizes it when the cache is full.
    void giveBack(const std::string& sql, sqlite3_stmt* statement);

    // Finalizes every kept statement.
    void clear();

private:
    std::unordered_map<std::string, sqlite3_stmt*> kept_;
};

}  // namespace kindora
