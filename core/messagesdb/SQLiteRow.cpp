#include "core/messagesdb/SQLiteRow.hpp"

#include <sqlite3.h>

#include <string_view>

#include "core/common/Utf8.hpp"

namespace kindora {

bool SQLiteRow::isNull(int column) const {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

std::int64_t SQLiteRow::int64(int column) const {
    return sqlite3_column_int64(statement_, column);
}

std::optional<std::string> SQLiteRow::optionalText(int column) const {
    if (isNull(column)) {
        return std::nullopt;
    }
    const unsigned char* text = sqlite3_column_text(statement_, column);
    if (text == nullptr) {
        return std::nullopt;
    }
    // The length is asked after the text so that it counts the UTF-8 form just produced.
    const int length = sqlite3_column_bytes(statement_, column);
    return Utf8::repairing(
        std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)));
}

std::optional<std::vector<std::uint8_t>> SQLiteRow::readBlob(int column) const {
    if (isNull(column)) {
        return std::nullopt;
    }
    const void* blob = sqlite3_column_blob(statement_, column);
    const int length = sqlite3_column_bytes(statement_, column);
    if (blob == nullptr) {
        if (length == 0) {
            return std::vector<std::uint8_t>{};
        }
        return std::nullopt;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(blob);
    return std::vector<std::uint8_t>(bytes, bytes + length);
}

}  // namespace kindora
