#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kindora {

// The columns of a `message` row to insert; the rest take the table's defaults. `text` holds raw bytes,
// so it may carry invalid UTF-8 as damaged databases do.
struct NewMessage {
    std::optional<std::int64_t> rowID;  // absent: the next ROWID
    std::string guid;
    std::optional<std::string> text;
    std::optional<std::vector<std::uint8_t>> attributedBody;
    std::int64_t handleID = 0;
    std::optional<std::string> service = "iMessage";
    std::int64_t date = 0;  // raw: nanoseconds (or seconds in old rows) since 2001-01-01
    std::optional<std::int64_t> dateRead;
    bool isFromMe = false;
    std::optional<std::int64_t> isRead = 0;
    std::int64_t itemType = 0;
    std::optional<std::int64_t> associatedMessageType = 0;
    std::optional<std::string> associatedMessageGUID;
};

}  // namespace kindora
