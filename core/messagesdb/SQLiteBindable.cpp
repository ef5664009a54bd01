#include "core/messagesdb/SQLiteBindable.hpp"

#include <sqlite3.h>

namespace kindora {

namespace {

struct Binder {
    sqlite3_stmt* statement;
    int index;

    int operator()(std::int64_t value) const { return sqlite3_bind_int64(statement, index, value); }
    int operator()(const std::string& value) const {
        return sqlite3_bind_text(statement, index, value.c_str(), -1, SQLITE_TRANSIENT);
    }
};

}  // namespace

int bindSQLiteValue(sqlite3_stmt* statement, int index, const SQLiteBindable& value) {
    return std::visit(Binder{statement, index}, value);
}

}  // namespace kindora
