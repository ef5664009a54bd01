#include "core/messagesdb/SQLiteStatementCache.hpp"

#include <sqlite3.h>

#include <utility>

namespace kindora {

SQLiteStatementCache::SQLiteStatementCache(SQLiteStatementCache&& other) noexcept
    : kept_(std::exchange(other.kept_, {})) {}

SQLiteStatementCache& SQLiteStatementCache::operator=(SQLiteStatementCache&& other) noexcept {
    if (this != &other) {
        clear();
        kept_ = std::exchange(other.kept_, {});
    }
    return *this;
}

SQLiteStatementCache::~SQLiteStatementCache() {
    clear();
}

int SQLiteStatementCache::take(sqlite3* db, const std::string& sql, sqlite3_stmt** statement) {
    if (auto node = kept_.extract(sql)) {
        *statement = node.mapped();
        return SQLITE_OK;
    }
    return sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size() + 1), statement, nullptr);
}

void SQLiteStatementCache::giveBack(const std::string& sql, sqlite3_stmt* statement) {
    // The result of reset repeats the last step's error, which the query has already reported.
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (kept_.size() >= capacity || kept_.contains(sql)) {
        sqlite3_finalize(statement);
        return;
    }
    kept_.emplace(sql, statement);
}

void SQLiteStatementCache::clear() {
    for (auto& [sql, statement] : kept_) {
        sqlite3_finalize(statement);
    }
    kept_.clear();
}

}  // namespace kindora
