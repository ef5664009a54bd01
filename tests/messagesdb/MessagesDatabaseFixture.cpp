#include "tests/messagesdb/MessagesDatabaseFixture.hpp"

#include <algorithm>

#include "core/common/AgentPaths.hpp"

namespace kindora::testing {

namespace {

std::string freshPath() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    // Parameterised tests carry "/" in their names.
    std::string name = std::string(test->test_suite_name()) + "." + test->name() + ".chat.db";
    std::replace(name.begin(), name.end(), '/', '_');
    return (AgentPaths::homeDirectory() / name).string();
}

}  // namespace

MessagesDatabaseFixture::MessagesDatabaseFixture() : path(freshPath()), writer(ChatDBWriter::create(path)) {}

std::int64_t MessagesDatabaseFixture::addContact(const std::string& id, const std::string& service) {
    const std::int64_t handleID = writer.addHandle(id, service);
    lastChatID = writer.addChat(service + ";-;" + id, 45, id, std::string{}, service);
    return handleID;
}

std::int64_t MessagesDatabaseFixture::addGroup(const std::string& identifier,
                                               const std::optional<std::string>& name,
                                               std::optional<std::int64_t> style) {
    return writer.addChat("iMessage;+;" + identifier, style, identifier, name, "iMessage");
}

std::int64_t MessagesDatabaseFixture::addInbound(std::int64_t handleID, std::int64_t chatID,
                                                 const std::string& guid, const std::string& text) {
    NewMessage message;
    message.guid = guid;
    message.text = text;
    message.handleID = handleID;
    return add(message, chatID);
}

std::int64_t MessagesDatabaseFixture::add(const NewMessage& message, std::int64_t chatID) {
    NewMessage dated = message;
    if (dated.date == 0) {
        dated.date = nextDate;
        nextDate += 60'000'000'000;
    }
    const std::int64_t rowID = writer.addMessage(dated);
    if (chatID != 0) {
        writer.joinChat(chatID, rowID, dated.date);
    }
    return rowID;
}

}  // namespace kindora::testing
