#pragma once

#include <cstdint>
#include <string>
#include <variant>

struct sqlite3_stmt;

namespace kindora {

// A value bound to a positional parameter of a statement: a 64-bit integer or a UTF-8 text.
using SQLiteBindable = std::variant<std::int64_t, std::string>;

// Binds `value` at the 1-based `index` of `statement`; gives SQLite's result code. Texts are copied
// by SQLite (transient destructor), so the value need not outlive the call.
int bindSQLiteValue(sqlite3_stmt* statement, int index, const SQLiteBindable& value);

}  // namespace kindora
