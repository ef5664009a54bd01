#include "tools/chatdb/ChatDBGenerator.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "core/common/AgentPaths.hpp"
#include "core/common/JsonDate.hpp"
#include "core/common/Utf8.hpp"
#include "core/messagesdb/AppleTime.hpp"
#include "core/messagesdb/AttributedBodyDecoder.hpp"
#include "core/messagesdb/ChatDBReader.hpp"
#include "core/messagesdb/SQLiteConnection.hpp"
#include "tests/messagesdb/MessagesDatabaseFixture.hpp"

namespace kindora {
namespace {

std::string pathFor(const std::string& name) {
    return (AgentPaths::homeDirectory() / name).string();
}

// Every row of the four tables as text, blobs in hex, in a fixed order.
std::string contentsOf(const std::string& path) {
    const SQLiteConnection connection = SQLiteConnection::open(path);
    std::string all;
    const char* queries[] = {
        "SELECT quote(ROWID) || quote(guid) || quote(text) || quote(attributedBody) || quote(handle_id) || "
        "quote(service) || quote(date) || quote(date_read) || quote(is_from_me) || quote(is_read) || "
        "quote(item_type) || quote(associated_message_type) FROM message ORDER BY ROWID",
        "SELECT quote(ROWID) || quote(id) || quote(service) FROM handle ORDER BY ROWID",
        "SELECT quote(ROWID) || quote(guid) || quote(style) || quote(chat_identifier) || quote(display_name) "
        "FROM "
        "chat ORDER BY ROWID",
        "SELECT quote(chat_id) || quote(message_id) FROM chat_message_join ORDER BY message_id, chat_id",
    };
    for (const char* query : queries) {
        connection.query(query, {},
                         [&](const SQLiteRow& row) { all += row.optionalText(0).value_or("?") + "\n"; });
    }
    return all;
}

TEST(ChatDBGenerator, TheSameSeedGivesTheSameDatabase) {
    ChatDBGenerator::create(pathFor("a.db"), 1500, 5);
    ChatDBGenerator::create(pathFor("b.db"), 1500, 5);
    ChatDBGenerator::create(pathFor("c.db"), 1500, 6);
    const std::string a = contentsOf(pathFor("a.db"));
    EXPECT_EQ(a, contentsOf(pathFor("b.db")));
    EXPECT_NE(a, contentsOf(pathFor("c.db")));
    EXPECT_EQ(ChatDBReader(pathFor("a.db")).maxRowID(), 1500);
}

TEST(ChatDBGenerator, RefusesToOverwriteAFile) {
    ChatDBGenerator::create(pathFor("existing.db"), 10, 1);
    EXPECT_THROW(ChatDBGenerator::create(pathFor("existing.db"), 10, 2), SQLiteError);
    EXPECT_EQ(ChatDBReader(pathFor("existing.db")).maxRowID(), 10);
}

class GeneratedDatabase : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        path = pathFor("variety.db");
        ChatDBGenerator::create(path, 20000, 1);
    }

    static std::int64_t count(const std::string& sql) { return SQLiteConnection::open(path).queryInt64(sql); }

    static inline std::string path;
};

TEST_F(GeneratedDatabase, HasTheLayoutAndStatisticsOfARealDatabase) {
    const SQLiteConnection connection = SQLiteConnection::open(path);
    EXPECT_EQ(connection.queryStrings("PRAGMA journal_mode"), std::vector<std::string>{"wal"});
    EXPECT_EQ(count("SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL"), 22);
    EXPECT_GT(count("SELECT COUNT(*) FROM sqlite_stat1 WHERE tbl = 'message'"), 10);
}

TEST_F(GeneratedDatabase, CoversTheRowsTheAgentMustTellApart) {
    const std::pair<const char*, const char*> kinds[] = {
        {"inbound", "is_from_me = 0"},
        {"outbound", "is_from_me = 1"},
        {"reactions", "associated_message_type BETWEEN 2000 AND 2005"},
        {"group events", "item_type <> 0"},
        {"iMessage", "service = 'iMessage'"},
        {"SMS", "service = 'SMS'"},
        {"other services", "service NOT IN ('iMessage', 'SMS')"},
        {"no service", "service IS NULL"},
        {"missing handles", "is_from_me = 0 AND handle_id NOT IN (SELECT ROWID FROM handle)"},
        {"read with date_read", "is_from_me = 0 AND is_read = 1 AND date_read > 0"},
        {"unread", "is_from_me = 0 AND is_read = 0"},
        {"dates in seconds", "date < 1000000000000"},
        {"dates in nanoseconds", "date >= 1000000000000"},
        {"text only", "text IS NOT NULL AND attributedBody IS NULL"},
        {"attributed body only", "text IS NULL AND attributedBody IS NOT NULL"},
        {"text and attributed body", "text IS NOT NULL AND attributedBody IS NOT NULL"},
        {"in two chats",
         "ROWID IN (SELECT message_id FROM chat_message_join GROUP BY message_id HAVING COUNT(*) > 1)"},
        {"in group chats",
         "ROWID IN (SELECT message_id FROM chat_message_join j JOIN chat c ON c.ROWID = "
         "j.chat_id WHERE c.style = 43)"},
        {"in 1:1 chats",
         "ROWID IN (SELECT message_id FROM chat_message_join j JOIN chat c ON c.ROWID = "
         "j.chat_id WHERE c.style = 45)"},
    };
    for (const auto& [name, condition] : kinds) {
        EXPECT_GT(count(std::string("SELECT COUNT(*) FROM message WHERE ") + condition), 0) << name;
    }
}

TEST_F(GeneratedDatabase, TextsComeInEveryLengthFormAndSomeCannotBeRead) {
    const SQLiteConnection connection = SQLiteConnection::open(path);
    int shortTexts = 0;
    int longTexts = 0;
    int unreadable = 0;
    connection.query("SELECT attributedBody FROM message WHERE text IS NULL AND attributedBody IS NOT NULL",
                     {}, [&](const SQLiteRow& row) {
                         const std::optional<std::string> text =
                             AttributedBodyDecoder::decode(row.readBlob(0));
                         if (!text) {
                             ++unreadable;
                         } else {
                             ++(text->size() < 128 ? shortTexts : longTexts);
                         }
                     });
    EXPECT_GT(shortTexts, 0);
    EXPECT_GT(longTexts, 0);
    EXPECT_GT(unreadable, 0);

    int invalidUtf8 = 0;
    int overTenThousandCharacters = 0;
    connection.query(
        "SELECT CAST(text AS BLOB) FROM message WHERE text IS NOT NULL", {}, [&](const SQLiteRow& row) {
            const std::vector<std::uint8_t> bytes = row.readBlob(0).value_or(std::vector<std::uint8_t>{});
            const std::string text(bytes.begin(), bytes.end());
            if (!Utf8::isValid(text)) {
                ++invalidUtf8;
                return;
            }
            const auto characters =
                std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; });
            overTenThousandCharacters += characters > 10000 ? 1 : 0;
        });
    EXPECT_GT(invalidUtf8, 0);
    EXPECT_GT(overTenThousandCharacters, 0);
}

TEST_F(GeneratedDatabase, ItsNewestMessageIsDatedAtTheFixedEnd) {
    const SQLiteConnection connection = SQLiteConnection::open(path);
    const std::int64_t newest = connection.queryInt64("SELECT MAX(date) FROM message");
    EXPECT_EQ(AppleTime::date(newest), ChatDBGenerator::createdUntil());
}

TEST(ChatDBGeneratorAppend, AddsInboundRepliesAndReadsWhileAReaderIsInTheMiddleOfAQuery) {
    const std::string path = pathFor("live.db");
    ChatDBGenerator::create(path, 300, 3);
    const Date now = JsonDate::decode("2026-12-07T09:30:00Z");
    const ChatDBReader reader(path);
    const std::int64_t before = reader.maxRowID();
    const std::int64_t unreadBefore = SQLiteConnection::open(path).queryInt64(
        "SELECT COUNT(*) FROM message WHERE is_from_me = 0 AND is_read = 0");

    // The reader holds its snapshot open while the append commits, as the agent may while Messages writes.
    const SQLiteConnection open = SQLiteConnection::open(path);
    ChatDBGenerator::AppendSummary summary;
    int rowsSeen = 0;
    open.query("SELECT ROWID FROM message ORDER BY ROWID", {}, [&](const SQLiteRow&) {
        if (rowsSeen++ == 0) {
            summary = ChatDBGenerator::append(path, 20, 9, now);
        }
    });
    EXPECT_EQ(rowsSeen, before);  // the open snapshot does not see the append

    EXPECT_EQ(summary.firstInboundRowID, before + 1);
    EXPECT_EQ(summary.inbound, 20);
    EXPECT_EQ(summary.lastRowID, before + 20 + summary.replies);
    EXPECT_GT(summary.reads, 0);
    EXPECT_EQ(reader.maxRowID(), summary.lastRowID);

    const InboundFetchResult fresh = reader.fetchInbound(before, 100);
    EXPECT_EQ(static_cast<std::int64_t>(fresh.rows.size()), 20);
    for (const MessageRow& row : fresh.rows) {
        EXPECT_GE(row.date, now);
        EXPECT_LT(row.date, now + std::chrono::milliseconds(1));
        EXPECT_FALSE(row.isRead);
    }
    EXPECT_EQ(SQLiteConnection::open(path).queryInt64(
                  "SELECT COUNT(*) FROM message WHERE is_from_me = 0 AND is_read = 0"),
              unreadBefore + 20 - summary.reads);
    const RecentlyReadFetchResult reads =
        reader.fetchRecentlyRead(AppleTime::nanoseconds(now) - 1, 0, before, 0, 100);
    EXPECT_EQ(static_cast<std::int64_t>(reads.rows.size()), summary.reads);
}

TEST(ChatDBGeneratorAppend, AMissingDatabaseIsAnErrorAndCreatesNothing) {
    const std::string path = pathFor("absent.db");
    EXPECT_THROW(ChatDBGenerator::append(path, 5, 1, Date{}), SQLiteError);
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace kindora
