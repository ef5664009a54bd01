#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kindora {

// A failed SQLite call. `busy` means the database is locked at the moment (Messages is writing) and is
// a signal to try again later; `failure` carries SQLite's result code and its own message.
class SQLiteError : public std::runtime_error {
public:
    enum class Kind { failure, busy };

    static SQLiteError failure(std::int32_t code, const std::string& message);
    static SQLiteError busy();

    Kind kind() const { return kind_; }
    bool isBusy() const { return kind_ == Kind::busy; }
    // The SQLite result code of a failure; 5 (SQLITE_BUSY) for busy.
    std::int32_t code() const { return code_; }
    // SQLite's message of a failure; empty for busy.
    const std::string& message() const { return message_; }

    friend bool operator==(const SQLiteError& a, const SQLiteError& b) {
        return a.kind_ == b.kind_ &&
               (a.kind_ == Kind::busy || (a.code_ == b.code_ && a.message_ == b.message_));
    }

private:
    SQLiteError(Kind kind, std::int32_t code, std::string message);

    Kind kind_;
    std::int32_t code_;
    std::string message_;
};

}  // namespace kindora
