// The reader against a database another connection is writing to at the same time, as Messages does.
#include <gtest/gtest.h>

#include <chrono>

#include "core/messagesdb/ChatDBReader.hpp"
#include "core/messagesdb/SQLiteError.hpp"
#include "tests/messagesdb/MessagesDatabaseFixture.hpp"

namespace kindora {
namespace {

class ChatDBReaderLiveDatabase : public testing::MessagesDatabaseFixture {
protected:
    // Runs `operation`, which must throw, and gives its error and how long SQLite retried first.
    template <typename Operation>
    std::pair<std::optional<SQLiteError>, double> failureOf(Operation operation) {
        const auto start = std::chrono::steady_clock::now();
        std::optional<SQLiteError> failure;
        try {
            operation();
        } catch (const SQLiteError& error) {
            failure = error;
        }
        return {failure, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
    }

    ChatDBReader reader{path};
};

TEST_F(ChatDBReaderLiveDatabase, RowsCommittedByTheWriterAreSeenByTheNextOperation) {
    const std::int64_t handle = addContact("+15550001");
    const std::int64_t first = addInbound(handle, lastChatID, "first");
    EXPECT_EQ(reader.maxRowID(), first);

    writer.execute("BEGIN");
    const std::int64_t second = addInbound(handle, lastChatID, "second");
    // Not yet committed: readers still see the last snapshot.
    EXPECT_EQ(reader.maxRowID(), first);
    EXPECT_EQ(reader.fetchInbound(first, 10).rows.size(), 0u);
    writer.execute("COMMIT");

    // The writer stays open, so the rows sit in the write-ahead log, not yet in the main file.
    EXPECT_EQ(reader.maxRowID(), second);
    const InboundFetchResult result = reader.fetchInbound(first, 10);
    ASSERT_EQ(result.rows.size(), 1u);
    EXPECT_EQ(result.rows[0].guid, "second");
    EXPECT_EQ(reader.countInbound(0, 10), 2);
}

// These two take the busy timeout (2 s) in real time: SQLite itself waits for the lock.
TEST_F(ChatDBReaderLiveDatabase, ALockHeldLongerThanTheBusyTimeoutIsBusyNotFailure) {
    const std::int64_t handle = addContact("+15550001");
    addInbound(handle, lastChatID, "first");
    writer.execute("PRAGMA locking_mode=EXCLUSIVE");
    writer.execute("BEGIN EXCLUSIVE");
    addInbound(handle, lastChatID, "second");

    const auto [error, waited] = failureOf([&] { reader.fetchInbound(0, 10); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error, SQLiteError::busy());
    EXPECT_GE(waited, 1.5);
    writer.execute("COMMIT");
}

TEST_F(ChatDBReaderLiveDatabase, ARollbackJournalWriteLockIsBusyToo) {
    writer.execute("PRAGMA journal_mode=DELETE");
    const std::int64_t handle = addContact("+15550001");
    const std::int64_t first = addInbound(handle, lastChatID, "first");
    writer.execute("BEGIN EXCLUSIVE");
    addInbound(handle, lastChatID, "second");

    const auto [error, waited] = failureOf([&] { reader.maxRowID(); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error, SQLiteError::busy());
    EXPECT_GE(waited, 1.5);

    writer.execute("ROLLBACK");
    EXPECT_EQ(reader.maxRowID(), first);
}

}  // namespace
}  // namespace kindora
