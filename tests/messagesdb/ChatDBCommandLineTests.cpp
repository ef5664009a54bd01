#include "tools/chatdb/ChatDBCommandLine.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "core/common/AgentPaths.hpp"
#include "core/common/JsonDate.hpp"
#include "tests/messagesdb/MessagesDatabaseFixture.hpp"
#include "tools/chatdb/ArchivedStringBlob.hpp"

namespace kindora {
namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome run(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    ChatDBCommandLine commandLine(out, err, JsonDate::decode("2026-12-07T09:30:00Z"));
    const int status = commandLine.run(arguments);
    return {status, out.str(), err.str()};
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> all;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        all.push_back(line);
    }
    return all;
}

std::vector<std::string> keysOf(const nlohmann::ordered_json& object) {
    std::vector<std::string> keys;
    for (const auto& item : object.items()) {
        keys.push_back(item.key());
    }
    return keys;
}

class ChatDBCommandLineInbound : public testing::MessagesDatabaseFixture {};

TEST_F(ChatDBCommandLineInbound, PrintsOneObjectPerMessageWithItsKeysInOrderThenTheScannedRowID) {
    const std::int64_t handle = addContact("+15550001");
    const std::int64_t group = addGroup("chat42", "Family");
    NewMessage full;
    full.guid = "FULL";
    full.text = "hello";
    full.attributedBody = ArchivedStringBlob::make("hello");
    full.handleID = handle;
    full.service = "RCS";
    full.date = 700000000000000000;
    full.isRead = 1;
    add(full, group);
    NewMessage bare;
    bare.guid = "BARE";
    bare.text = std::nullopt;
    bare.handleID = handle;
    bare.date = 700000000;
    add(bare, 0);
    addInbound(0, 0, "NO-SENDER");

    const Outcome outcome = run({"inbound", path, "--after", "0", "--limit", "10"});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    const std::vector<std::string> printed = lines(outcome.out);
    ASSERT_EQ(printed.size(), 3u);

    const auto first = nlohmann::ordered_json::parse(printed[0]);
    EXPECT_EQ(keysOf(first),
              (std::vector<std::string>{"rowID", "guid", "service", "otherService", "senderHandle",
                                        "chatIdentifier", "chatDisplayName", "isGroup", "isRead", "date",
                                        "text", "hasAttributedBody", "bestText"}));
    EXPECT_EQ(first["service"], "other");
    EXPECT_EQ(first["otherService"], "RCS");
    EXPECT_EQ(first["chatDisplayName"], "Family");
    EXPECT_EQ(first["isGroup"], true);
    EXPECT_EQ(first["isRead"], true);
    EXPECT_EQ(first["date"], "2023-03-08T20:26:40.000Z");
    EXPECT_EQ(first["hasAttributedBody"], true);

    const auto second = nlohmann::ordered_json::parse(printed[1]);
    EXPECT_EQ(keysOf(second), (std::vector<std::string>{"rowID", "guid", "service", "senderHandle", "isGroup",
                                                        "isRead", "date", "hasAttributedBody"}));
    EXPECT_EQ(second["service"], "imessage");
    EXPECT_EQ(second["date"], "2023-03-08T20:26:40.000Z");

    EXPECT_EQ(printed[2], "{\"highestScannedRowID\": 3}");
}

TEST_F(ChatDBCommandLineInbound, StartsAfterTheGivenRowAndStopsAtTheLimit) {
    const std::int64_t handle = addContact("+15550001");
    for (int index = 0; index < 5; ++index) {
        addInbound(handle, lastChatID, "G" + std::to_string(index));
    }
    const Outcome outcome = run({"inbound", path, "--after", "1", "--limit", "2"});
    ASSERT_EQ(outcome.status, 0);
    const std::vector<std::string> printed = lines(outcome.out);
    ASSERT_EQ(printed.size(), 3u);
    EXPECT_EQ(nlohmann::json::parse(printed[0])["rowID"], 2);
    EXPECT_EQ(nlohmann::json::parse(printed[1])["rowID"], 3);
    EXPECT_EQ(printed[2], "{\"highestScannedRowID\": 3}");
}

TEST(ChatDBCommandLine, AnUnreadableDatabaseIsReportedWithStatusOne) {
    const std::string missing = (AgentPaths::homeDirectory() / "missing.db").string();
    const std::string garbage = (AgentPaths::homeDirectory() / "garbage.db").string();
    std::ofstream(garbage) << std::string(2048, 'g');
    for (const std::string& path : {missing, garbage}) {
        const Outcome outcome = run({"inbound", path});
        EXPECT_EQ(outcome.status, 1) << path;
        EXPECT_EQ(outcome.out, "") << path;
        EXPECT_NE(outcome.err.find(path), std::string::npos) << outcome.err;
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(ChatDBCommandLine, DecodePrintsTheTextOrSaysThereIsNone) {
    const auto write = [](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string file = (AgentPaths::homeDirectory() / name).string();
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file;
    };
    const Outcome readable = run({"decode", write("readable.bin", ArchivedStringBlob::make("see you at 7"))});
    EXPECT_EQ(readable.status, 0);
    EXPECT_EQ(readable.out, "see you at 7\n");

    const Outcome unreadable =
        run({"decode", write("unreadable.bin", ArchivedStringBlob::truncated("lost"))});
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_EQ(unreadable.out, "");
    EXPECT_EQ(unreadable.err, "no text\n");

    EXPECT_EQ(run({"decode", write("empty.bin", {})}).status, 1);
    EXPECT_EQ(run({"decode", (AgentPaths::homeDirectory() / "none.bin").string()}).status, 1);
}

TEST(ChatDBCommandLine, CreateThenAppendGrowTheDatabase) {
    const std::string path = (AgentPaths::homeDirectory() / "grown.db").string();
    const Outcome created = run({"create", path, "--messages", "50", "--seed", "4"});
    ASSERT_EQ(created.status, 0) << created.err;
    const Outcome appended = run({"append", path, "--count", "3"});
    ASSERT_EQ(appended.status, 0) << appended.err;
    EXPECT_NE(appended.out.find("appended 3 inbound messages (ROWID 51 to"), std::string::npos)
        << appended.out;
    const std::vector<std::string> printed = lines(run({"inbound", path, "--after", "50"}).out);
    ASSERT_EQ(printed.size(), 4u);
    EXPECT_EQ(nlohmann::json::parse(printed[0])["date"], "2026-12-07T09:30:00.000Z");
    // An existing file is never overwritten.
    EXPECT_EQ(run({"create", path}).status, 1);
}

TEST(ChatDBCommandLine, AppendCanChooseTheTextOfTheFirstNewMessage) {
    const std::string path = (AgentPaths::homeDirectory() / "chosen.db").string();
    ASSERT_EQ(run({"create", path, "--messages", "20", "--seed", "2"}).status, 0);
    ASSERT_EQ(run({"append", path, "--count", "2", "--text", "please help"}).status, 0);
    const std::vector<std::string> printed = lines(run({"inbound", path, "--after", "20"}).out);
    ASSERT_GE(printed.size(), 2u);
    const auto first = nlohmann::json::parse(printed[0]);
    EXPECT_EQ(first["text"], "please help");
    EXPECT_EQ(first["bestText"], "please help");
}

TEST(ChatDBCommandLine, BadUsageIsRefusedWithStatusTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate", "x.db"},
        {"create"},
        {"create", "--messages", "5"},
        {"create", "x.db", "--messages", "-5"},
        {"create", "x.db", "--messages", "12abc"},
        {"create", "x.db", "--messages"},
        {"create", "x.db", "--colour", "blue"},
        {"append", "x.db"},
        {"append", "x.db", "--count", "0"},
        {"inbound", "x.db", "--limit", "0"},
        {"decode"},
        {"decode", "a.bin", "b.bin"},
    };
    for (const std::vector<std::string>& arguments : cases) {
        const Outcome outcome = run(arguments);
        EXPECT_EQ(outcome.status, 2) << ::testing::PrintToString(arguments);
        EXPECT_NE(outcome.err.find("usage: kindora-chatdb"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists("x.db"));
}

}  // namespace
}  // namespace kindora
