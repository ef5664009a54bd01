#include "core/messagesdb/SQLiteConnection.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "core/common/AgentPaths.hpp"
#include "core/messagesdb/ChatDBReader.hpp"
#include "tests/messagesdb/MessagesDatabaseFixture.hpp"

namespace kindora {
namespace {

using testing::MessagesDatabaseFixture;

TEST(SQLiteConnection, OpeningAMissingFileFailsWithSQLitesCodeAndCreatesNothing) {
    const std::string missing = (AgentPaths::homeDirectory() / "no-such" / "chat.db").string();
    try {
        SQLiteConnection::open(missing);
        FAIL() << "opened a missing file";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error, SQLiteError::failure(SQLITE_CANTOPEN, "unable to open database file"));
    }
    const std::string missingHere = (AgentPaths::homeDirectory() / "absent.db").string();
    EXPECT_THROW(SQLiteConnection::open(missingHere), SQLiteError);
    EXPECT_FALSE(std::filesystem::exists(missingHere));
}

TEST(SQLiteConnection, AFileThatIsNotADatabaseIsAFailureNotBusy) {
    const std::string path = (AgentPaths::homeDirectory() / "garbage.db").string();
    std::ofstream(path) << std::string(4096, 'x');
    const SQLiteConnection connection = SQLiteConnection::open(path);
    try {
        connection.queryInt64("SELECT COUNT(*) FROM message");
        FAIL() << "read a file that is no database";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.kind(), SQLiteError::Kind::failure);
        EXPECT_EQ(error.code(), SQLITE_NOTADB);
        EXPECT_EQ(error.message(), "file is not a database");
    }
}

TEST(SQLiteError, EqualityComparesKindThenCodeAndMessage) {
    EXPECT_EQ(SQLiteError::busy(), SQLiteError::busy());
    EXPECT_EQ(SQLiteError::failure(1, "a"), SQLiteError::failure(1, "a"));
    EXPECT_NE(SQLiteError::failure(1, "a"), SQLiteError::failure(2, "a"));
    EXPECT_NE(SQLiteError::failure(1, "a"), SQLiteError::failure(1, "b"));
    EXPECT_NE(SQLiteError::failure(SQLITE_BUSY, ""), SQLiteError::busy());
}

class SQLiteConnectionOnDatabase : public MessagesDatabaseFixture {};

TEST_F(SQLiteConnectionOnDatabase, MaxRowIDOfAnEmptyTableIsZero) {
    const SQLiteConnection connection = SQLiteConnection::open(path);
    EXPECT_EQ(connection.queryOptionalInt64("SELECT MAX(ROWID) FROM message"), 0);
    EXPECT_EQ(connection.queryInt64("SELECT ROWID FROM message"), 0);  // no row at all
    EXPECT_EQ(ChatDBReader(path).maxRowID(), 0);
}

TEST_F(SQLiteConnectionOnDatabase, InvalidUtf8TextComesBackWithReplacementCharacters) {
    const std::int64_t handle = addContact("+15550001");
    addInbound(handle, lastChatID, "G1", "caf\xE9 \xF0\x9F\x98!");
    const SQLiteConnection connection = SQLiteConnection::open(path);
    std::optional<std::string> text;
    connection.query("SELECT text FROM message", {},
                     [&](const SQLiteRow& row) { text = row.optionalText(0); });
    EXPECT_EQ(text, "caf\xEF\xBF\xBD \xEF\xBF\xBD!");
}

TEST_F(SQLiteConnectionOnDatabase, StringListsAreDistinctInRowOrderWithoutNulls) {
    const SQLiteConnection connection = SQLiteConnection::open(path);
    EXPECT_EQ(
        connection.queryStrings("SELECT column1 FROM (VALUES ('b'), (NULL), ('a'), ('b'), ('c'), ('a'))"),
        (std::vector<std::string>{"b", "a", "c"}));
}

TEST_F(SQLiteConnectionOnDatabase, BindingsArePositionalIntegersAndTexts) {
    const SQLiteConnection connection = SQLiteConnection::open(path);
    EXPECT_EQ(connection.queryInt64("SELECT ? + ?", {std::int64_t{40}, std::int64_t{2}}), 42);
    EXPECT_EQ(connection.queryStrings("SELECT ? || ?", {std::string("it's "), std::string("fine')--")}),
              (std::vector<std::string>{"it's fine')--"}));
    EXPECT_EQ(connection.queryInt64("SELECT ?", {std::int64_t{INT64_MIN}}), INT64_MIN);
}

TEST_F(SQLiteConnectionOnDatabase, BlobsKeepEmptyApartFromNull) {
    const SQLiteConnection connection = SQLiteConnection::open(path);
    std::vector<std::optional<std::vector<std::uint8_t>>> blobs;
    connection.query("SELECT column1 FROM (VALUES (x''), (NULL), (x'00ff'))", {},
                     [&](const SQLiteRow& row) { blobs.push_back(row.readBlob(0)); });
    ASSERT_EQ(blobs.size(), 3u);
    EXPECT_EQ(blobs[0], std::vector<std::uint8_t>{});
    EXPECT_EQ(blobs[1], std::nullopt);
    EXPECT_EQ(blobs[2], (std::vector<std::uint8_t>{0x00, 0xFF}));
}

TEST_F(SQLiteConnectionOnDatabase, StatementFailuresCarrySQLitesMessage) {
    const SQLiteConnection connection = SQLiteConnection::open(path);
    EXPECT_THROW(
        {
            try {
                connection.execute("SELECT guid FROM nowhere");
            } catch (const SQLiteError& error) {
                EXPECT_EQ(error, SQLiteError::failure(SQLITE_ERROR, "no such table: nowhere"));
                throw;
            }
        },
        SQLiteError);
    // The connection is read-only: writing fails instead of changing Messages' data.
    EXPECT_THROW(
        {
            try {
                connection.execute("DELETE FROM message");
            } catch (const SQLiteError& error) {
                EXPECT_EQ(error.code(), SQLITE_READONLY);
                throw;
            }
        },
        SQLiteError);
    // A failed statement leaves the connection usable.
    EXPECT_EQ(connection.queryInt64("SELECT 7"), 7);
}

// Statements are kept between queries; none may hold the database, or Messages could not write to it.
TEST_F(SQLiteConnectionOnDatabase, KeptStatementsNeverHoldTheDatabaseNotEvenAfterARowReaderThrew) {
    writer.execute("PRAGMA journal_mode=DELETE");  // where a reader left open blocks every writer
    const SQLiteConnection connection = SQLiteConnection::open(path);
    sqlite3* messages = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &messages), SQLITE_OK);
    const auto writerCommits = [messages] {
        return sqlite3_exec(messages, "CREATE TABLE IF NOT EXISTS probe(x); INSERT INTO probe VALUES (1)", nullptr,
                            nullptr, nullptr) == SQLITE_OK;
    };
    const std::string twoRows = "SELECT column1 FROM (VALUES (1), (2))";
    int seen = 0;
    EXPECT_THROW(connection.query(twoRows, {},
                                  [&](const SQLiteRow&) {
                                      ++seen;
                                      throw std::runtime_error("stop");
                                  }),
                 std::runtime_error);
    EXPECT_TRUE(writerCommits());
    // The same text again starts from the first row, not where the throw left it.
    std::vector<std::int64_t> values;
    connection.query(twoRows, {}, [&](const SQLiteRow& row) { values.push_back(row.int64(0)); });
    EXPECT_EQ(values, (std::vector<std::int64_t>{1, 2}));
    // A query issued from inside another's rows, of the same text, runs on its own statement.
    std::int64_t nested = 0;
    connection.query("SELECT COUNT(*) FROM probe", {}, [&](const SQLiteRow&) {
        nested += connection.queryInt64("SELECT COUNT(*) FROM probe");
    });
    EXPECT_EQ(nested, 1);
    // Bindings of one query do not linger into the next.
    EXPECT_EQ(connection.queryInt64("SELECT ?1 + 1", {std::int64_t{41}}), 42);
    EXPECT_EQ(connection.queryOptionalInt64("SELECT ?1 + 1", {}), 0);
    EXPECT_TRUE(writerCommits());
    EXPECT_EQ(seen, 1);
    sqlite3_close(messages);
}

TEST_F(SQLiteConnectionOnDatabase, AnErrorRaisedWhileSteppingIsAFailure) {
    const SQLiteConnection connection = SQLiteConnection::open(path);
    int rows = 0;
    EXPECT_THROW(connection.query("SELECT abs(column1) FROM (VALUES (1), (-9223372036854775808))", {},
                                  [&](const SQLiteRow&) { ++rows; }),
                 SQLiteError);
    EXPECT_EQ(rows, 1);
}

}  // namespace
}  // namespace kindora
