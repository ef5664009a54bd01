#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct sqlite3_stmt;

namespace kindora {

// The current result row of a running statement, handed to a row reader; valid only during that call.
class SQLiteRow {
public:
    explicit SQLiteRow(sqlite3_stmt* statement) : statement_(statement) {}

    bool isNull(int column) const;
    std::int64_t int64(int column) const;
    // Absent for NULL; invalid UTF-8 sequences come back as U+FFFD instead of failing the row.
    std::optional<std::string> optionalText(int column) const;
    // Absent for NULL; a zero-length blob is empty bytes.
    std::optional<std::vector<std::uint8_t>> readBlob(int column) const;

private:
    sqlite3_stmt* statement_;
};

}  // namespace kindora
