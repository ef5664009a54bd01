#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <stdexcept>
#include <string>

#include "core/common/AgentPaths.hpp"
#include "core/common/AtomicFile.hpp"
#include "core/common/JsonDate.hpp"
#include "core/meetings/FileMeetingLedgerStore.hpp"
#include "core/meetings/MeetingLedgerPruning.hpp"
#include "core/meetings/MeetingPresentationLedger.hpp"
#include "core/meetings/WriteBehindMeetingLedgerStore.hpp"
#include "tests/support/InMemoryMeetingLedgerStore.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/VirtualTime.hpp"

namespace kindora {
namespace {

namespace fs = std::filesystem;

constexpr double hour = 3600;

const char* const corruptMessage = "meeting-ledger.json is corrupt, treating as empty";

void writeRaw(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

// A store whose saves always fail, as a full disk would.
class FailingLedgerStore final : public MeetingLedgerStore {
public:
    explicit FailingLedgerStore(MeetingLedgerState state) : state_(std::move(state)) {}
    std::optional<MeetingLedgerState> load() const override { return state_; }
    void save(const MeetingLedgerState&) override {
        ++attempts;
        throw std::runtime_error("disk full");
    }
    int attempts = 0;

private:
    MeetingLedgerState state_;
};

// Each test gets a directory of its own, so the cases also hold when the suite runs in one process.
fs::path testDirectory() {
    return AgentPaths::dataDirectory() / ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

class MeetingLedgerFileTest : public ::testing::Test {
protected:
    fs::path directory = testDirectory();
    FileMeetingLedgerStore store{directory, FileMeetingLedgerStore::presentationFileName};
    testing::VirtualTime time;
    testing::LogCapture logs;
};

TEST_F(MeetingLedgerFileTest, SavedStateLoadsBackEqualInTheDocumentedShape) {
    const Date at = JsonDate::decode("2026-12-07T09:55:00.000Z");
    const MeetingLedgerState state{{{"evt-1", at}, {"evt \"2\"", at + Seconds(1.5)}}};
    store.save(state);
    EXPECT_EQ(store.load(), state);
    EXPECT_EQ(
        AtomicFile::read(directory / "meeting-ledger.json"),
        R"({"presentedAt":{"evt \"2\"":"2026-12-07T09:55:01.500Z","evt-1":"2026-12-07T09:55:00.000Z"}})");
}

TEST_F(MeetingLedgerFileTest, AMissingFileIsAFirstRunWithoutAMessage) {
    EXPECT_EQ(store.load(), std::nullopt);
    EXPECT_TRUE(logs.lines().empty());
}

TEST_F(MeetingLedgerFileTest, EveryMalformedFileIsLoggedOnceAsCorruptAndReadsAsEmpty) {
    const std::string bodies[] = {
        // Nested far past the parser's guard: refused before anything walks it recursively.
        R"({"presentedAt":{"a":)" + std::string(100'000, '[') + std::string(100'000, ']') + "}}",
        "this is not json",
        "",
        "[]",
        R"({})",
        R"({"presentedAt":[]})",
        R"({"presentedAt":{"a":12}})",
        R"({"presentedAt":{"a":"yesterday"}})",
        R"({"presentedAt":{"a":"2026-12-07T09:55:00"}})",
        R"({"presentedAt":{"a":"2026-12-07T09:55:00Z"})",
    };
    for (const std::string& body : bodies) {
        SCOPED_TRACE(body.substr(0, 80));
        logs.clear();
        writeRaw(store.fileURL(), body);
        MeetingPresentationLedger ledger(store, time.nowFunction());
        EXPECT_TRUE(ledger.presentedIDs().empty());
        EXPECT_EQ(logs.count(corruptMessage, "Meetings"), 1u);
        ASSERT_EQ(logs.lines().size(), 1u);
        EXPECT_EQ(logs.lines()[0].level, LogLevel::error);
    }
}

TEST_F(MeetingLedgerFileTest, ACorruptFileIsOverwrittenByTheNextMark) {
    writeRaw(store.fileURL(), "{{{");
    MeetingPresentationLedger ledger(store, time.nowFunction());
    ledger.markPresented("m1");
    logs.clear();
    EXPECT_EQ(store.load(), (MeetingLedgerState{{{"m1", time.now()}}}));
    EXPECT_TRUE(logs.lines().empty());
}

TEST_F(MeetingLedgerFileTest, TheAutoJoinLedgerNamesItsOwnFileWhenCorrupt) {
    // Naming the other ledger's file would send whoever reads the log to the wrong file.
    FileMeetingLedgerStore autoJoin(directory, FileMeetingLedgerStore::autoJoinFileName);
    writeRaw(autoJoin.fileURL(), "nope");
    EXPECT_EQ(autoJoin.load(), std::nullopt);
    EXPECT_EQ(logs.count("auto-join-ledger.json is corrupt, treating as empty: ", "Meetings"), 1u);
}

TEST_F(MeetingLedgerFileTest, ConstructionWithoutAFileWritesNothingAndTheFirstMarkCreatesDirectoryAndFile) {
    const fs::path nested = directory / "nested" / "deeper";
    FileMeetingLedgerStore nestedStore(nested, FileMeetingLedgerStore::autoJoinFileName);
    MeetingPresentationLedger ledger(nestedStore, time.nowFunction());
    EXPECT_FALSE(fs::exists(nested));
    ledger.markPresented("m1");
    EXPECT_TRUE(fs::exists(nested / "auto-join-ledger.json"));
    EXPECT_EQ((fs::status(nested).permissions() & fs::perms::all), fs::perms::owner_all);
}

TEST_F(MeetingLedgerFileTest, AnEntryFrom23HoursAgoSurvivesARestartAndOneFrom24HoursIsDroppedAndRewritten) {
    {
        MeetingPresentationLedger ledger(store, time.nowFunction());
        ledger.markPresented("old");
        time.advance(1 * hour);
        ledger.markPresented("young");
    }
    time.advance(23 * hour);  // "old" is now exactly 24 hours old, "young" 23
    MeetingPresentationLedger restarted(store, time.nowFunction());
    EXPECT_FALSE(restarted.hasPresented("old"));
    EXPECT_TRUE(restarted.hasPresented("young"));
    EXPECT_EQ(store.load(), restarted.state());
}

TEST_F(MeetingLedgerFileTest, ASaveIntoAnUnwritablePlaceThrowsToTheCaller) {
    writeRaw(directory / "blocker", "a file where a directory should be");
    FileMeetingLedgerStore blocked(directory / "blocker", FileMeetingLedgerStore::presentationFileName);
    EXPECT_ANY_THROW(blocked.save(MeetingLedgerState{}));
}

TEST(MeetingLedgerPruning, KeepsOnlyEntriesStrictlyYoungerThanADay) {
    const Date now = JsonDate::decode("2026-12-07T10:00:00.000Z");
    const MeetingLedgerState state{{{"exactlyADay", now + Seconds(-86400)},
                                    {"justUnder", now + Seconds(-86399.999)},
                                    {"fresh", now},
                                    {"ancient", now + Seconds(-10 * 86400)}}};
    EXPECT_EQ(MeetingLedgerPruning::pruned(state, now),
              (MeetingLedgerState{{{"justUnder", now + Seconds(-86399.999)}, {"fresh", now}}}));
}

TEST(MeetingPresentationLedger, MarkingTwiceKeepsOneEntryWithTheLaterTime) {
    testing::VirtualTime time;
    InMemoryMeetingLedgerStore store;
    MeetingPresentationLedger ledger(store, time.nowFunction());
    ledger.markPresented("m");
    time.advance(90);
    ledger.markPresented("m");
    EXPECT_EQ(ledger.state(), (MeetingLedgerState{{{"m", time.now()}}}));
    EXPECT_EQ(store.state(), ledger.state());
    EXPECT_EQ(ledger.presentedIDs(), (std::set<std::string>{"m"}));
}

TEST(MeetingPresentationLedger, ConstructionSavesOnlyWhenPruningRemovedSomething) {
    testing::VirtualTime time;
    InMemoryMeetingLedgerStore fresh(MeetingLedgerState{{{"m", time.now()}}});
    MeetingPresentationLedger keep(fresh, time.nowFunction());
    EXPECT_EQ(fresh.saveCount(), 0);

    InMemoryMeetingLedgerStore stale(
        MeetingLedgerState{{{"m", time.now()}, {"gone", time.now() + Seconds(-86400)}}});
    MeetingPresentationLedger prune(stale, time.nowFunction());
    EXPECT_EQ(stale.saveCount(), 1);
    EXPECT_EQ(stale.state(), (MeetingLedgerState{{{"m", time.now()}}}));
}

TEST(MeetingPresentationLedger, AFailedSaveIsIgnoredAndTheRunRemembersTheEntry) {
    testing::VirtualTime time;
    FailingLedgerStore store(MeetingLedgerState{{{"gone", time.now() + Seconds(-90000)}}});
    MeetingPresentationLedger ledger(store, time.nowFunction());
    EXPECT_EQ(store.attempts, 1);
    EXPECT_NO_THROW(ledger.markPresented("m"));
    EXPECT_EQ(store.attempts, 2);
    EXPECT_TRUE(ledger.hasPresented("m"));
    EXPECT_FALSE(ledger.hasPresented("gone"));
}

// A store whose saves wait until the test lets them go, as a disk busy with an fsync would.
class SlowLedgerStore final : public MeetingLedgerStore {
public:
    std::optional<MeetingLedgerState> load() const override { return inner_.load(); }
    void save(const MeetingLedgerState& state) override {
        opened_.wait();
        inner_.save(state);
    }
    void open() { open_.set_value(); }
    const InMemoryMeetingLedgerStore& inner() const { return inner_; }

private:
    std::promise<void> open_;
    std::shared_future<void> opened_ = open_.get_future().share();
    InMemoryMeetingLedgerStore inner_;
};

TEST(WriteBehindMeetingLedgerStore, MarkingReturnsWhileTheDiskIsBusyAndTheLatestStateIsWrittenLast) {
    testing::VirtualTime time;
    SlowLedgerStore slow;
    std::optional<MeetingLedgerState> reloaded;
    {
        WriteBehindMeetingLedgerStore writer(slow);
        MeetingPresentationLedger ledger(writer, time.nowFunction());
        ledger.markPresented("a");  // its write starts and waits on the disk
        ledger.markPresented("b");
        ledger.markPresented("c");
        EXPECT_EQ(slow.inner().saveCount(), 0) << "no mark waited for the disk";
        EXPECT_TRUE(ledger.hasPresented("c"));
        slow.open();
        reloaded = writer.load();  // waits for the writes under way
        EXPECT_LE(slow.inner().saveCount(), 2) << "the states in between are not written one by one";
    }
    EXPECT_EQ(reloaded, (MeetingLedgerState{{{"a", time.now()}, {"b", time.now()}, {"c", time.now()}}}));
}

TEST(WriteBehindMeetingLedgerStore, AFailedWriteIsLogged) {
    testing::VirtualTime time;
    testing::LogCapture logs;
    FailingLedgerStore failing(MeetingLedgerState{});
    {
        WriteBehindMeetingLedgerStore writer(failing);
        EXPECT_NO_THROW(writer.save(MeetingLedgerState{{{"m", time.now()}}}));
    }
    EXPECT_EQ(failing.attempts, 1);
    EXPECT_TRUE(logs.contains("Saving a meeting ledger failed: disk full", "Meetings"));
}

}  // namespace
}  // namespace kindora
