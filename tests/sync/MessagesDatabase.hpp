#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "core/common/Date.hpp"
#include "tools/chatdb/ChatDBWriter.hpp"

namespace kindora::testing {

// A real Messages database file for integration tests, written the way Messages writes it: one
// contact in a one-to-one chat, inbound messages, reads and replies.
class MessagesDatabase {
public:
    struct Added {
        std::int64_t rowID = 0;
        std::string guid;
    };

    // Creates the file, replacing any left by an earlier test (with `history` older inbound messages).
    MessagesDatabase(std::filesystem::path path, std::int64_t history = 0);

    const std::filesystem::path& path() const { return path_; }

    Added addInbound(const std::string& text, Date sentAt);
    // Adds `count` inbound messages in one transaction; their texts are `prefix` plus a number.
    void addInboundBatch(std::int64_t count, const std::string& prefix, Date sentAt);
    void markRead(const std::string& guid, Date readAt);
    // The user writes back in the chat.
    void addReply(Date sentAt);
    std::int64_t maxRowID();

private:
    std::filesystem::path path_;
    ChatDBWriter writer_;
    std::int64_t handleID_ = 0;
    std::int64_t chatID_ = 0;
    std::int64_t nextGUID_ = 0;
};

}  // namespace kindora::testing
