#include "tests/sync/MessagesDatabase.hpp"

#include "core/messagesdb/AppleTime.hpp"

namespace kindora::testing {

namespace {

std::filesystem::path removingLeftovers(std::filesystem::path path) {
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::filesystem::remove(path.string() + suffix);
    }
    return path;
}

}  // namespace

MessagesDatabase::MessagesDatabase(std::filesystem::path path, std::int64_t history)
    : path_(removingLeftovers(std::move(path))), writer_(ChatDBWriter::create(path_.string())) {
    handleID_ = writer_.addHandle("+15550199", "iMessage");
    chatID_ = writer_.addChat("iMessage;-;+15550199", 45, "+15550199", std::nullopt, "iMessage");
    if (history > 0) {
        addInboundBatch(history, "history ", Date(std::chrono::seconds(1'700'000'000)));
    }
}

MessagesDatabase::Added MessagesDatabase::addInbound(const std::string& text, Date sentAt) {
    NewMessage message;
    message.guid = "FAKE-GUID-" + std::to_string(++nextGUID_);
    message.text = text;
    message.handleID = handleID_;
    message.date = AppleTime::nanoseconds(sentAt);
    const std::int64_t rowID = writer_.addMessage(message);
    writer_.joinChat(chatID_, rowID, message.date);
    return {rowID, message.guid};
}

void MessagesDatabase::addInboundBatch(std::int64_t count, const std::string& prefix, Date sentAt) {
    writer_.execute("BEGIN");
    for (std::int64_t i = 0; i < count; ++i) {
        addInbound(prefix + std::to_string(nextGUID_ + 1), sentAt);
    }
    writer_.execute("COMMIT");
}

void MessagesDatabase::markRead(const std::string& guid, Date readAt) {
    writer_.execute("UPDATE message SET is_read = 1, date_read = " +
                    std::to_string(AppleTime::nanoseconds(readAt)) + " WHERE guid = '" + guid + "'");
}

void MessagesDatabase::addReply(Date sentAt) {
    NewMessage reply;
    reply.guid = "FAKE-REPLY-" + std::to_string(++nextGUID_);
    reply.text = "on my way";
    reply.handleID = handleID_;
    reply.isFromMe = true;
    reply.date = AppleTime::nanoseconds(sentAt);
    const std::int64_t rowID = writer_.addMessage(reply);
    writer_.joinChat(chatID_, rowID, reply.date);
}

std::int64_t MessagesDatabase::maxRowID() {
    return writer_.queryInt64("SELECT MAX(ROWID) FROM message");
}

}  // namespace kindora::testing
