#include "core/messagesdb/SQLiteError.hpp"

#include <sqlite3.h>

#include <utility>

namespace kindora {

SQLiteError::SQLiteError(Kind kind, std::int32_t code, std::string message)
    : std::runtime_error(kind == Kind::busy ? std::string("The Messages database is busy") : message),
      kind_(kind),
      code_(code),
      message_(std::move(message)) {}

SQLiteError SQLiteError::failure(std::int32_t code, const std::string& message) {
    return SQLiteError(Kind::failure, code, message);
}

SQLiteError SQLiteError::busy() {
    return SQLiteError(Kind::busy, SQLITE_BUSY, {});
}

}  // namespace kindora
