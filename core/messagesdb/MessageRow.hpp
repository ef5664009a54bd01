#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/common/Date.hpp"
#include "core/messagesdb/Service.hpp"

namespace kindora {

// One inbound message as read from the Messages database, with its sender and chat.
struct MessageRow {
    std::int64_t rowID = 0;
    std::string guid;
    std::optional<std::string> text;
    std::optional<std::vector<std::uint8_t>> attributedBody;
    Date date;
    Service service;
    std::string senderHandle;
    std::optional<std::string> chatIdentifier;
    std::optional<std::string> chatDisplayName;
    bool isGroup = false;
    bool isRead = false;

    // `text` when present, else the text decoded from `attributedBody` (absent when none is found).
    std::optional<std::string> bestText() const;

    friend bool operator==(const MessageRow&, const MessageRow&) = default;
};

}  // namespace kindora
