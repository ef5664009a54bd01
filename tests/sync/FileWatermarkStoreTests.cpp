#include "core/sync/FileWatermarkStore.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "core/common/AgentPaths.hpp"
#include "core/common/AtomicFile.hpp"
#include "core/common/JsonDate.hpp"
#include "tests/support/LogCapture.hpp"

namespace kindora {
namespace {

class FileWatermarkStoreTest : public ::testing::Test {
protected:
    ~FileWatermarkStoreTest() override { std::filesystem::remove_all(directory); }

    void writeFile(const std::string& contents) {
        std::filesystem::create_directories(directory);
        std::ofstream(directory / "state.json", std::ios::binary) << contents;
    }

    std::filesystem::path directory = AgentPaths::dataDirectory();
    FileWatermarkStore store{directory};
    testing::LogCapture logs;
};

TEST_F(FileWatermarkStoreTest, NoFileLoadsNothingAndLogsNothing) {
    EXPECT_FALSE(store.load());
    EXPECT_TRUE(logs.lines().empty());
}

TEST_F(FileWatermarkStoreTest, SaveCreatesAMissingDirectoryPrivatelyAndLoadsBackEqual) {
    ASSERT_FALSE(std::filesystem::exists(directory));
    SyncState state;
    state.lastRowID = 5000;
    state.lastSyncAt = JsonDate::decode("2026-12-06T11:35:11.123Z");
    state.lifetimeSentCount = 12;
    state.addPendingReadWatch("g", 4999, JsonDate::decode("2026-12-06T11:00:00Z"));
    store.save(state);

    EXPECT_EQ(store.load(), state);
    struct stat info {};
    ASSERT_EQ(::stat(directory.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(store.fileURL().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(FileWatermarkStoreTest, ACorruptFileIsLoggedAndKeptAsideUnderADatedNameAndReadsAsNothing) {
    writeFile("{\"lastRowID\": 42, garbage");
    EXPECT_FALSE(store.load());
    const auto lines = logs.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].level, LogLevel::error);
    EXPECT_EQ(lines[0].category, "Sync");
    EXPECT_EQ(lines[0].message.rfind("state.json is corrupt, treating as first run: ", 0), 0u)
        << lines[0].message;
    EXPECT_NE(lines[0].message.find("Malformed JSON at byte"), std::string::npos);

    std::vector<std::filesystem::path> aside;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        aside.push_back(entry.path().filename());
    }
    ASSERT_EQ(aside.size(), 1u) << "state.json itself is gone, its contents kept";
    EXPECT_EQ(aside[0].string().rfind("state.json.corrupt-", 0), 0u) << aside[0];
    EXPECT_EQ(aside[0].string().size(), std::string("state.json.corrupt-20261207T122000Z").size());
    std::ifstream kept(directory / aside[0]);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "{\"lastRowID\": 42, garbage");
    EXPECT_EQ(lines[1].message, "corrupt state.json kept as " + aside[0].string());

    SyncState state;
    state.lastRowID = 7;
    store.save(state);
    EXPECT_EQ(store.load(), state);
    writeFile("[]");
    EXPECT_FALSE(store.load());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory), {}), 2)
        << "a second corruption within the same second gets a name of its own";
    writeFile(R"({"lastRowID":1e400,"lifetimeSentCount":0})");
    EXPECT_FALSE(store.load())
        << "a number too large to read is a corrupt file, not an error that stops sync";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory), {}), 3);
}

TEST_F(FileWatermarkStoreTest, AFileThatCannotBeReadIsAnErrorNotAFirstRun) {
    std::filesystem::create_directories(directory / "state.json");  // read() fails with EISDIR
    try {
        store.load();
        FAIL() << "an unreadable state read as a first run";
    } catch (const WatermarkUnreadableError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("state.json cannot be read: ", 0), 0u) << error.what();
    }
    EXPECT_TRUE(std::filesystem::is_directory(directory / "state.json")) << "nothing is moved or replaced";
}

TEST_F(FileWatermarkStoreTest, AnOldFileWithOnlyTheRequiredKeysLoads) {
    writeFile(R"({"lastRowID":42,"lifetimeSentCount":7})");
    const auto state = store.load();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->lastRowID, 42);
    EXPECT_EQ(state->lifetimeSentCount, 7);
    EXPECT_EQ(state->lastReadDateRead, 0);
    EXPECT_TRUE(state->pendingReadWatches.empty());
}

SyncState stateAt(std::int64_t rowID) {
    SyncState state;
    state.lastRowID = rowID;
    state.lifetimeSentCount = rowID / 10;
    state.addPendingReadWatch("guid-" + std::to_string(rowID), rowID,
                              JsonDate::decode("2026-12-06T11:00:00Z"));
    return state;
}

// Flips one byte of the journal, as a write torn by a power cut leaves it.
void tear(const std::filesystem::path& journal, std::size_t offset) {
    std::fstream file(journal, std::ios::in | std::ios::out | std::ios::binary);
    file.seekg(static_cast<std::streamoff>(offset));
    const char byte = static_cast<char>(file.get() ^ 0x5a);
    file.seekp(static_cast<std::streamoff>(offset));
    file.put(byte);
}

TEST_F(FileWatermarkStoreTest, ProgressGoesToTheJournalUntilAFullSaveBringsStateJsonUpToDate) {
    const auto journal = directory / "state.journal";
    const auto fileText = [this] { return AtomicFile::read(store.fileURL()).value_or(""); };
    store.save(stateAt(100));
    EXPECT_FALSE(std::filesystem::exists(journal)) << "a store that never drains keeps no journal";

    store.saveProgress(stateAt(200));  // record 1, second slot
    store.saveProgress(stateAt(300));  // record 2, first slot
    EXPECT_EQ(store.load(), stateAt(300));
    EXPECT_EQ(FileWatermarkStore(directory).load(), stateAt(300)) << "the next start finds the progress";
    EXPECT_EQ(fileText(), stateAt(100).encode()) << "state.json is not rewritten between batches";
    EXPECT_EQ(std::filesystem::file_size(journal), 2 * StateJournal::slotSize);

    tear(journal, StateJournal::headerSize + 5);  // inside record 2
    EXPECT_EQ(store.load(), stateAt(200)) << "a torn record gives way to the one before it";
    tear(journal, StateJournal::slotSize + 3);  // record 1's header
    EXPECT_EQ(store.load(), stateAt(100)) << "with no whole record, state.json holds the state";

    store.saveProgress(stateAt(400));
    store.save(stateAt(500));
    EXPECT_EQ(fileText(), stateAt(500).encode()) << "an agent that reads only state.json sees the newest";
    EXPECT_EQ(FileWatermarkStore(directory).load(), stateAt(500)) << "the journal is marked as checkpointed";

    const int batches = FileWatermarkStore::progressSavesPerCheckpoint;
    for (int batch = 1; batch < batches; ++batch) {
        store.saveProgress(stateAt(500 + batch));
    }
    EXPECT_EQ(fileText(), stateAt(500).encode());
    store.saveProgress(stateAt(500 + batches));
    EXPECT_EQ(fileText(), stateAt(500 + batches).encode()) << "a long drain brings state.json up to date";

    // A later run's full save marks what an earlier run recorded.
    store.saveProgress(stateAt(700));
    {
        FileWatermarkStore nextRun(directory);
        ASSERT_EQ(nextRun.load(), stateAt(700));
        nextRun.save(stateAt(590));  // the watermark went back: the database was rebuilt
    }
    EXPECT_EQ(FileWatermarkStore(directory).load(), stateAt(590));

    store.reset();
    EXPECT_FALSE(store.load());
    EXPECT_FALSE(std::filesystem::exists(journal));
    EXPECT_TRUE(logs.lines().empty()) << logs.lines().front().message;
}

TEST_F(FileWatermarkStoreTest, AJournalThatIsNotWholeOrCannotBeWrittenNeverCostsAState) {
    const auto journal = directory / "state.journal";
    store.save(stateAt(10));
    std::filesystem::create_directories(journal);  // open() for writing fails with EISDIR
    store.saveProgress(stateAt(20));
    EXPECT_EQ(store.load(), stateAt(20)) << "saved whole instead";
    EXPECT_TRUE(logs.contains("state.journal cannot be written, saving state.json whole"));
    EXPECT_FALSE(std::filesystem::exists(journal)) << "the save removed what it could not mark";

    store.saveProgress(stateAt(30));
    std::filesystem::resize_file(journal, StateJournal::slotSize);  // cut short
    EXPECT_EQ(store.load(), stateAt(20)) << "a journal of the wrong size holds nothing";
    FileWatermarkStore nextRun(directory);
    nextRun.saveProgress(stateAt(40));
    EXPECT_EQ(nextRun.load(), stateAt(40)) << "and is made anew by the next progress save";

    SyncState huge = stateAt(50);
    for (int watch = 0; watch < 200; ++watch) {
        huge.addPendingReadWatch(std::string(400, 'g') + std::to_string(watch), 50,
                                 JsonDate::decode("2026-12-06T11:00:00Z"));
    }
    nextRun.saveProgress(huge);  // larger than a journal record
    EXPECT_EQ(AtomicFile::read(nextRun.fileURL()), huge.encode());
    EXPECT_EQ(FileWatermarkStore(directory).load(), huge);
}

TEST_F(FileWatermarkStoreTest, ResetSucceedsWhenTheStateIsAlreadyGone) {
    EXPECT_NO_THROW(store.reset());
    EXPECT_FALSE(store.load());
}

TEST_F(FileWatermarkStoreTest, ASaveThatFailsThrowsAndLeavesThePreviousFile) {
    SyncState first;
    first.lastRowID = 1;
    store.save(first);
    std::filesystem::permissions(directory,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    SyncState second;
    second.lastRowID = 2;
    if (::geteuid() != 0) {  // root ignores the directory's mode
        EXPECT_ANY_THROW(store.save(second));
        EXPECT_EQ(store.load(), first);
    }
    std::filesystem::permissions(directory, std::filesystem::perms::owner_all);
}

}  // namespace
}  // namespace kindora
