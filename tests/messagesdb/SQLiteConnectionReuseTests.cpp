// When the reader lends one operation's connection to the next. A per-connection setting (the page
// cache size, which is never stored in the file) tells a lent connection from a fresh one.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "core/messagesdb/SQLiteConnectionReuse.hpp"
#include "tests/messagesdb/MessagesDatabaseFixture.hpp"
#include "tests/support/VirtualTime.hpp"

namespace kindora {
namespace {

constexpr std::int64_t markedCacheSize = 1234;

class SQLiteConnectionReuseTest : public testing::MessagesDatabaseFixture {
protected:
    // Marks the connection it runs on; gives whether it found the mark of an earlier run.
    bool runAndMark() {
        return reuse.run([](const SQLiteConnection& connection) {
            const bool marked = connection.queryInt64("PRAGMA cache_size") == markedCacheSize;
            connection.execute("PRAGMA cache_size = " + std::to_string(markedCacheSize));
            return marked;
        });
    }

    testing::VirtualTime time;
    SQLiteConnectionReuse reuse{path, time.nowFunction(), 1.0};
};

struct Pause {
    const char* name;
    double seconds;
    bool reused;
};

class ReuseAfterAPause : public SQLiteConnectionReuseTest, public ::testing::WithParamInterface<Pause> {};

TEST_P(ReuseAfterAPause, OnlyAnOperationWithinTheWindowGetsTheLentConnection) {
    ASSERT_FALSE(runAndMark());
    time.advance(GetParam().seconds);
    EXPECT_EQ(runAndMark(), GetParam().reused);
}

void PrintTo(const Pause& pause, std::ostream* stream) {
    *stream << pause.name;
}

INSTANTIATE_TEST_SUITE_P(Pauses, ReuseAfterAPause,
                         ::testing::Values(Pause{"SameTick", 0.0, true}, Pause{"AtTheWindowsEnd", 1.0, true},
                                           Pause{"NextTick", 5.0, false}, Pause{"ClockSetBack", -3.0, false}),
                         [](const ::testing::TestParamInfo<Pause>& tested) {
                             return std::string(tested.param.name);
                         });

TEST_F(SQLiteConnectionReuseTest, AConnectionWhoseOperationFailedIsNotLent) {
    EXPECT_THROW(reuse.run([](const SQLiteConnection& connection) {
        connection.execute("PRAGMA cache_size = " + std::to_string(markedCacheSize));
        connection.execute("SELECT * FROM no_such_table");
        return 0;
    }),
                 SQLiteError);
    EXPECT_FALSE(runAndMark());
}

TEST_F(SQLiteConnectionReuseTest, AFileReplacedAtThePathIsReadFromANewConnectionAtOnce) {
    // Files no writer holds open, as after a restore (an open writer would keep the old WAL beside it).
    const auto databaseWith = [](const std::string& file, int messages) {
        ChatDBWriter fileWriter = ChatDBWriter::create(file);
        for (int index = 0; index < messages; ++index) {
            NewMessage message;
            message.guid = file + std::to_string(index);
            fileWriter.addMessage(message);
        }
    };
    const std::string restoredPath = path + ".restored";
    const std::string replacement = path + ".replacement";
    databaseWith(restoredPath, 1);
    databaseWith(replacement, 2);
    SQLiteConnectionReuse restored(restoredPath, time.nowFunction(), 1.0);
    const auto count = [&] {
        return restored.run([](const SQLiteConnection& connection) {
            return connection.queryInt64("SELECT COUNT(*) FROM message");
        });
    };
    ASSERT_EQ(count(), 1);

    std::filesystem::rename(replacement, restoredPath);
    EXPECT_EQ(count(), 2);
}

TEST_F(SQLiteConnectionReuseTest, ARemovedFileFailsAsAFreshOpenWould) {
    ASSERT_FALSE(runAndMark());
    std::filesystem::remove(path);
    EXPECT_THROW(runAndMark(), SQLiteError);
}

}  // namespace
}  // namespace kindora
