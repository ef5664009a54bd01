#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "core/messagesdb/SQLiteError.hpp"
#include "tools/chatdb/ChatDBWriter.hpp"

namespace kindora {

// Readable failures: the kind, the code and SQLite's message instead of the object's bytes.
inline void PrintTo(const SQLiteError& error, std::ostream* stream) {
    *stream << (error.isBusy() ? "busy" : "failure(")
            << (error.isBusy() ? "" : std::to_string(error.code()) + ", \"" + error.message() + "\")");
}

}  // namespace kindora

namespace kindora::testing {

// A real, empty Messages database file for one test, with a writer standing in for Messages and a few
// shorthands for the rows the reader's cases need.
class MessagesDatabaseFixture : public ::testing::Test {
protected:
    MessagesDatabaseFixture();

    // A handle with its 1:1 chat (style 45); gives the handle's ROWID, the chat's is in `lastChatID`.
    std::int64_t addContact(const std::string& id, const std::string& service = "iMessage");
    std::int64_t addGroup(const std::string& identifier, const std::optional<std::string>& name,
                          std::optional<std::int64_t> style = 43);
    // An ordinary inbound text message from `handleID` in `chatID` (no chat when 0).
    std::int64_t addInbound(std::int64_t handleID, std::int64_t chatID, const std::string& guid,
                            const std::string& text = "hello");
    std::int64_t add(const NewMessage& message, std::int64_t chatID);

    std::string path;
    ChatDBWriter writer;
    std::int64_t lastChatID = 0;
    // Messages dated from 2026-12-01 in nanoseconds, a minute apart.
    std::int64_t nextDate = 818'380'800'000'000'000;
};

}  // namespace kindora::testing
