#include "core/sync/FileWatermarkStore.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "core/common/AgentPaths.hpp"
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

TEST_F(FileWatermarkStoreTest, AStateWrittenAheadIsStoredOnlyBySavingItAndLeavesNoFileBehind) {
    const auto filesInDirectory = [this] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(directory)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    SyncState first;
    first.lastRowID = 100;
    store.save(first);
    SyncState guess = first;
    guess.lastRowID = 200;
    guess.lifetimeSentCount = 100;

    store.stage(guess);
    EXPECT_EQ(store.load(), first) << "writing ahead stores nothing";
    EXPECT_EQ(filesInDirectory().size(), 2u);
    store.save(guess);
    EXPECT_EQ(store.load(), guess);
    EXPECT_EQ(filesInDirectory(), std::vector<std::string>{"state.json"});

    SyncState other = guess;
    other.lastRowID = 250;
    store.stage(other);
    SyncState held = guess;
    held.lastRowID = 240;  // the answer held some rows back: the guess was wrong
    store.save(held);
    EXPECT_EQ(store.load(), held);
    EXPECT_EQ(filesInDirectory(), std::vector<std::string>{"state.json"});

    {
        FileWatermarkStore stopped(directory);
        stopped.stage(other);
    }
    EXPECT_EQ(store.load(), held) << "a state written ahead and never saved is dropped";
    EXPECT_EQ(filesInDirectory(), std::vector<std::string>{"state.json"});
}

TEST_F(FileWatermarkStoreTest, ResetRemovesTheFileAndSucceedsWhenItIsAlreadyGone) {
    store.save(SyncState{});
    store.reset();
    EXPECT_FALSE(std::filesystem::exists(store.fileURL()));
    EXPECT_FALSE(store.load());
    EXPECT_NO_THROW(store.reset());
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
