// Full Disk Access on real files: SQLite databases made here with SQLite itself.
#include "core/lifecycle/FDAChecker.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace kindora {
namespace {

namespace fs = std::filesystem;

// A read-write connection of "another process" (Messages), closed when the test ends.
class WriterConnection {
public:
    explicit WriterConnection(const fs::path& path) {
        if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
            ADD_FAILURE() << "cannot open " << path;
        }
    }
    WriterConnection(const WriterConnection&) = delete;
    WriterConnection& operator=(const WriterConnection&) = delete;
    ~WriterConnection() { sqlite3_close(db_); }

    void run(const std::string& sql) {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            ADD_FAILURE() << sql << ": " << (error ? error : "?");
        }
        sqlite3_free(error);
    }

private:
    sqlite3* db_ = nullptr;
};

class FDACheckerTest : public ::testing::Test {
protected:
    fs::path makeDatabase(const std::string& journalMode = "DELETE") {
        WriterConnection writer(path_);
        writer.run("PRAGMA journal_mode=" + journalMode);
        writer.run("CREATE TABLE message (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT, text TEXT)");
        writer.run("INSERT INTO message (guid, text) VALUES ('g-1', 'hello')");
        return path_;
    }

    // Tests of one process share its home: each starts from an empty Messages folder.
    void SetUp() override {
        fs::remove_all(directory_);
        fs::create_directories(directory_);
    }

    const fs::path directory_ = fs::path(std::getenv("HOME")) / "Library" / "Messages";
    const fs::path path_ = directory_ / "chat.db";
};

TEST_F(FDACheckerTest, AReadableDatabaseGrantsAccess) {
    makeDatabase();
    EXPECT_TRUE(FDAChecker::hasFullDiskAccess(path_));
    WriterConnection(path_).run("DELETE FROM message");
    EXPECT_TRUE(FDAChecker::hasFullDiskAccess(path_)) << "an empty table is readable too";
}

TEST_F(FDACheckerTest, ADatabaseLockedByAWriterGrantsAccess) {
    makeDatabase();
    WriterConnection writer(path_);
    writer.run("BEGIN EXCLUSIVE");
    writer.run("INSERT INTO message (guid, text) VALUES ('g-2', 'locked')");
    // The reader waits out SQLite's busy time-out, then sees the lock: the file was opened and read.
    EXPECT_TRUE(FDAChecker::hasFullDiskAccess(path_));
    writer.run("COMMIT");
}

TEST_F(FDACheckerTest, AWriteAheadLogDatabaseInTheMiddleOfAWriteGrantsAccess) {
    makeDatabase("WAL");
    WriterConnection writer(path_);
    writer.run("BEGIN IMMEDIATE");
    writer.run("INSERT INTO message (guid, text) VALUES ('g-2', 'pending')");
    EXPECT_TRUE(FDAChecker::hasFullDiskAccess(path_));
    writer.run("COMMIT");
}

TEST_F(FDACheckerTest, WhatIsNotAReadableMessagesDatabaseDeniesAccess) {
    EXPECT_FALSE(FDAChecker::hasFullDiskAccess(path_)) << "missing file";
    EXPECT_FALSE(fs::exists(path_)) << "the check must never create the database";

    std::ofstream(path_) << "This is a text file that merely carries the database's name.\n";
    EXPECT_FALSE(FDAChecker::hasFullDiskAccess(path_)) << "not a database";

    fs::remove(path_);
    WriterConnection(path_).run("CREATE TABLE handle (ROWID INTEGER PRIMARY KEY, id TEXT)");
    EXPECT_FALSE(FDAChecker::hasFullDiskAccess(path_)) << "no message table";

    EXPECT_FALSE(FDAChecker::hasFullDiskAccess(directory_)) << "a directory";
}

// A denied open. Root reads any file whatever its mode, so as root the check runs in a child process
// that has dropped to the unprivileged "nobody" user first.
TEST_F(FDACheckerTest, ADeniedOpenDeniesAccess) {
    makeDatabase();
    ASSERT_EQ(::chmod(path_.c_str(), 0), 0);
    if (::geteuid() != 0) {
        EXPECT_FALSE(FDAChecker::hasFullDiskAccess(path_));
        return;
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        constexpr uid_t nobody = 65534;
        if (::setgid(nobody) != 0 || ::setuid(nobody) != 0) {
            ::_exit(2);
        }
        ::_exit(FDAChecker::hasFullDiskAccess(path_) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: access was granted, 2: could not drop privileges";
}

}  // namespace
}  // namespace kindora
