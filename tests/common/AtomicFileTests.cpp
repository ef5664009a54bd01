#include "core/common/AtomicFile.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "core/common/AgentPaths.hpp"

namespace kindora {
namespace {

namespace fs = std::filesystem;

TEST(AtomicFile, WritesReplacesAndReadsBack) {
    const fs::path file = AgentPaths::ensureDataDirectory() / "state.json";
    EXPECT_FALSE(AtomicFile::read(file));
    AtomicFile::write(file, "first");
    AtomicFile::write(file, "second, longer");
    EXPECT_EQ(AtomicFile::read(file), "second, longer");
    // No temporary file is left beside it.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(file.parent_path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(AtomicFile, NewFilesAreReadableByTheOwnerOnly) {
    const fs::path file = AgentPaths::ensureDataDirectory() / "private.json";
    AtomicFile::write(file, "{}");
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(file.parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(AtomicFile, AWriteIntoAMissingDirectoryThrowsAndLeavesNothing) {
    const fs::path file = AgentPaths::dataDirectory() / "missing" / "state.json";
    EXPECT_THROW(AtomicFile::write(file, "{}"), AtomicFileError);
    EXPECT_FALSE(fs::exists(file));
}

TEST(AgentPaths, TheDataDirectoryFollowsXdgDataHome) {
    EXPECT_EQ(AgentPaths::dataDirectory(), fs::path(std::getenv("XDG_DATA_HOME")) / "Kindora");
    EXPECT_EQ(AgentPaths::messagesDatabasePath(), fs::path(std::getenv("HOME")) / "Library/Messages/chat.db");
}

}  // namespace
}  // namespace kindora
