// The read scan reaches its rows through message_idx_date when the database has it. These tests hold
// that to its promise: on generated databases and random cursors, bounds and limits, the hinted
// statement and the statement as written give the same rows, in the same order, with the same highest
// scanned pair; and a database without a usable index still answers.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/common/AgentPaths.hpp"
#include "core/messagesdb/AppleTime.hpp"
#include "core/messagesdb/ChatDBReader.hpp"
#include "core/messagesdb/SQLiteConnection.hpp"
#include "tests/messagesdb/MessagesDatabaseFixture.hpp"
#include "tools/chatdb/ChatDBGenerator.hpp"
#include "tools/chatdb/ChatDBWriter.hpp"

namespace kindora {
namespace {

using RawRow = std::tuple<std::optional<std::string>, std::int64_t, std::optional<std::int64_t>>;

struct ScanArguments {
    std::int64_t afterDateRead = 0;
    std::int64_t afterRowID = 0;
    std::int64_t maxRowID = 0;
    std::int64_t minDate = 0;
    std::int64_t limit = 0;
};

std::ostream& operator<<(std::ostream& stream, const ScanArguments& arguments) {
    return stream << "afterDateRead=" << arguments.afterDateRead << " afterRowID=" << arguments.afterRowID
                  << " maxRowID=" << arguments.maxRowID << " minDate=" << arguments.minDate
                  << " limit=" << arguments.limit;
}

std::vector<RawRow> rawRows(const SQLiteConnection& connection, const std::string& sql,
                            const ScanArguments& arguments) {
    std::vector<RawRow> rows;
    connection.query(sql,
                     {arguments.maxRowID, arguments.minDate, arguments.afterDateRead, arguments.afterDateRead,
                      arguments.afterRowID, arguments.limit},
                     [&](const SQLiteRow& row) {
                         rows.emplace_back(row.optionalText(0), row.int64(1),
                                           row.isNull(2) ? std::nullopt : std::optional(row.int64(2)));
                     });
    return rows;
}

std::string planOf(const SQLiteConnection& connection, const std::string& sql) {
    std::string plan;
    connection.query("EXPLAIN QUERY PLAN " + sql, {0, 0, 0, 0, 0, 0},
                     [&](const SQLiteRow& row) { plan += row.optionalText(3).value_or("") + "\n"; });
    return plan;
}

std::string generatedDatabase(const std::string& name, std::int64_t messages, std::uint64_t seed) {
    const std::string path = (AgentPaths::homeDirectory() / (name + ".chat.db")).string();
    ChatDBGenerator::create(path, messages, seed);
    // Shapes the generator rarely makes but real databases have: many reads in the same second (ties
    // on date_read, which only the ROWID orders), read messages without a date_read, and rows without
    // a date. Statistics are gathered again so that the planner sees the database as it is.
    ChatDBWriter writer = ChatDBWriter::open(path);
    writer.execute(
        "UPDATE message SET date_read = date_read - date_read % 60000000000 "
        "WHERE ROWID % 3 = 0 AND date_read > 1000000000000");
    writer.execute("UPDATE message SET date_read = NULL WHERE ROWID % 89 = 0 AND is_read = 1");
    writer.execute("UPDATE message SET date = NULL WHERE ROWID % 97 = 0");
    writer.execute("ANALYZE");
    return path;
}

// Arguments as the sync engine makes them and well beyond: cursors on existing pairs (so that ties
// and the ROWID tiebreak are exercised), between them and outside them; windows from none to all.
class ArgumentSource {
public:
    ArgumentSource(const SQLiteConnection& connection, std::uint64_t seed) : random_(seed) {
        maxRowID_ = connection.queryOptionalInt64("SELECT MAX(ROWID) FROM message");
        connection.query("SELECT date_read, ROWID FROM message WHERE is_read = 1 AND date_read IS NOT NULL",
                         {},
                         [&](const SQLiteRow& row) { readPairs_.emplace_back(row.int64(0), row.int64(1)); });
        connection.query("SELECT date FROM message WHERE date IS NOT NULL", {},
                         [&](const SQLiteRow& row) { dates_.push_back(row.int64(0)); });
    }

    ScanArguments next() {
        ScanArguments arguments;
        switch (pick(5)) {
            case 0:
                break;  // the start: nothing scanned yet
            case 1:
            case 2: {
                const auto& [dateRead, rowID] = readPairs_[pick(readPairs_.size())];
                arguments.afterDateRead = dateRead;
                arguments.afterRowID = rowID + between(-2, 2);
                break;
            }
            case 3:
                arguments.afterDateRead =
                    dates_[pick(dates_.size())] + between(-3'600, 3'600) * 1'000'000'000;
                arguments.afterRowID = between(0, maxRowID_);
                break;
            default:
                arguments.afterDateRead = std::numeric_limits<std::int64_t>::max();  // past everything
                arguments.afterRowID = maxRowID_;
                break;
        }
        switch (pick(4)) {
            case 0:
                arguments.maxRowID = maxRowID_;
                break;
            case 1:
                arguments.maxRowID = 0;
                break;
            default:
                arguments.maxRowID = between(1, maxRowID_ + 5);
                break;
        }
        switch (pick(5)) {
            case 0:
                arguments.minDate = 0;  // every nanosecond date, and the old dates in seconds too
                break;
            case 1:  // the engine's window: one day before the newest message
                arguments.minDate =
                    AppleTime::nanoseconds(ChatDBGenerator::createdUntil() - std::chrono::hours(24));
                break;
            case 2:
                arguments.minDate = between(0, 1'000'000'000);  // inside the range of dates in seconds
                break;
            default:
                arguments.minDate = dates_[pick(dates_.size())] + between(-1, 1);
                break;
        }
        static constexpr std::array<std::int64_t, 8> limits{0, 1, 2, 3, 17, 100, 100'000, -1};
        arguments.limit = limits[pick(limits.size())];
        return arguments;
    }

private:
    std::size_t pick(std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_);
    }
    std::int64_t between(std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(random_);
    }

    std::mt19937_64 random_;
    std::int64_t maxRowID_ = 0;
    std::vector<std::pair<std::int64_t, std::int64_t>> readPairs_;
    std::vector<std::int64_t> dates_;
};

struct GeneratedCase {
    std::int64_t messages;
    std::uint64_t seed;
};

void PrintTo(const GeneratedCase& generated, std::ostream* stream) {
    *stream << generated.messages << " messages, seed " << generated.seed;
}

class RecentlyReadPlanEquivalence : public ::testing::TestWithParam<GeneratedCase> {};

TEST_P(RecentlyReadPlanEquivalence, BothStatementsGiveTheSameRowsOrderAndHighestPair) {
    const auto [messages, seed] = GetParam();
    const std::string path = generatedDatabase("hinted", messages, seed);

    // The same database without the index: the reader must fall back to the statement as written.
    const std::string plainPath = (AgentPaths::homeDirectory() / "plain.chat.db").string();
    std::filesystem::copy_file(path, plainPath);
    ChatDBWriter(ChatDBWriter::open(plainPath)).execute("DROP INDEX message_idx_date");

    const SQLiteConnection connection = SQLiteConnection::open(path);
    // Two different plans, or the comparison proves nothing.
    ASSERT_NE(planOf(connection, ChatDBReader::recentlyReadByDateSQL).find("message_idx_date"),
              std::string::npos);
    ASSERT_EQ(planOf(connection, ChatDBReader::recentlyReadSQL).find("message_idx_date"), std::string::npos);

    const ChatDBReader hinted(path);
    const ChatDBReader plain(plainPath);
    ArgumentSource source(connection, seed * 7919);
    std::size_t nonEmpty = 0;
    for (int round = 0; round < 150; ++round) {
        const ScanArguments arguments = source.next();
        SCOPED_TRACE(::testing::Message() << "round " << round << ": " << arguments);

        const auto expected = rawRows(connection, ChatDBReader::recentlyReadSQL, arguments);
        ASSERT_EQ(rawRows(connection, ChatDBReader::recentlyReadByDateSQL, arguments), expected);
        nonEmpty += expected.empty() ? 0 : 1;

        const auto read = [&](const ChatDBReader& reader) {
            return reader.fetchRecentlyRead(arguments.afterDateRead, arguments.afterRowID, arguments.maxRowID,
                                            arguments.minDate, arguments.limit);
        };
        ASSERT_EQ(read(hinted), read(plain));
    }
    EXPECT_GE(nonEmpty, 30u) << "too few rounds found rows to compare";
}

std::string generatedCaseName(const ::testing::TestParamInfo<GeneratedCase>& tested) {
    return std::to_string(tested.param.messages) + "Messages_Seed" + std::to_string(tested.param.seed);
}

INSTANTIATE_TEST_SUITE_P(GeneratedDatabases, RecentlyReadPlanEquivalence,
                         ::testing::Values(GeneratedCase{400, 1}, GeneratedCase{2'500, 2},
                                           GeneratedCase{2'500, 3}, GeneratedCase{6'000, 4}),
                         generatedCaseName);

// Databases whose message_idx_date is missing or not usable for the scan.
struct IndexReplacement {
    const char* name;
    const char* statement;  // empty: the index is only dropped
};

class UnusualDateIndex : public testing::MessagesDatabaseFixture,
                         public ::testing::WithParamInterface<IndexReplacement> {};

TEST_P(UnusualDateIndex, TheScanStillAnswersWithTheRowsOfTheStatementAsWritten) {
    const std::int64_t handle = addContact("+15550001");
    for (int index = 0; index < 40; ++index) {
        NewMessage message;
        message.guid = "read-" + std::to_string(index);
        message.text = "hello";
        message.handleID = handle;
        message.date = nextDate;
        message.isRead = 1;
        message.dateRead = nextDate + std::int64_t{index % 4} * 1'000'000'000;  // ties in fours
        nextDate += 60'000'000'000;
        add(message, lastChatID);
    }
    writer.execute("DROP INDEX message_idx_date");
    if (const std::string replacement = GetParam().statement; !replacement.empty()) {
        writer.execute(replacement);
    }

    const ChatDBReader reader(path);
    const SQLiteConnection connection = SQLiteConnection::open(path);
    const ScanArguments arguments{0, 0, 1'000, 0, 25};
    RecentlyReadFetchResult result;
    ASSERT_NO_THROW(result = reader.fetchRecentlyRead(0, 0, 1'000, 0, 25));
    const auto expected = rawRows(connection, ChatDBReader::recentlyReadSQL, arguments);
    ASSERT_EQ(result.rows.size(), expected.size());
    for (std::size_t index = 0; index < expected.size(); ++index) {
        EXPECT_EQ(result.rows[index].guid, std::get<0>(expected[index]));
        EXPECT_EQ(result.rows[index].rowID, std::get<1>(expected[index]));
    }
    EXPECT_EQ(result.highestScannedRowID, std::get<1>(expected.back()));
}

void PrintTo(const IndexReplacement& replacement, std::ostream* stream) {
    *stream << replacement.name;
}

std::string indexReplacementName(const ::testing::TestParamInfo<IndexReplacement>& tested) {
    return tested.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Indexes, UnusualDateIndex,
    ::testing::Values(IndexReplacement{"Missing", ""},
                      IndexReplacement{"PartialOverOtherRows",
                                       "CREATE INDEX message_idx_date ON message(date) WHERE is_from_me = 1"},
                      IndexReplacement{"OverAnotherColumn",
                                       "CREATE INDEX message_idx_date ON message(guid)"}),
    indexReplacementName);

}  // namespace
}  // namespace kindora
