// The inotify change watcher against real files in a temporary directory, written the way Messages
// writes them (through the chatdb writer, in WAL mode). Callbacks arrive on the watcher's thread; the
// tests wait for them on a condition variable with a bounded timeout.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

#include "core/common/AgentPaths.hpp"
#include "core/messagesdb/ChatDBReader.hpp"
#include "core/messagesdb/InotifyChatDBChangeWatcher.hpp"
#include "tests/support/LogCapture.hpp"
#include "tools/chatdb/ChatDBWriter.hpp"

namespace kindora {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Counts the watcher's callbacks and lets the test wait for them.
class ChangeCounter {
public:
    ChatDBChangeWatching::ChangeHandler handler() {
        return [this] {
            const std::lock_guard lock(mutex_);
            ++count_;
            changed_.notify_all();
        };
    }
    bool waitFor(int count, std::chrono::milliseconds timeout = 10s) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return count_ >= count; });
    }
    int count() const {
        const std::lock_guard lock(mutex_);
        return count_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

class InotifyChatDBChangeWatcherTest : public ::testing::Test {
protected:
    InotifyChatDBChangeWatcherTest() { fs::create_directories(directory); }

    // One committed inbound message, as Messages writes it.
    void addMessage(ChatDBWriter& writer) {
        NewMessage message;
        message.guid = "message-" + std::to_string(++written);
        message.text = "hello";
        writer.addMessage(message);
    }

    // A watcher that has stayed quiet is still watching: Messages' next write wakes it (opening,
    // writing and closing may take more than one window under a sanitizer, so perhaps more than once).
    void expectMessagesNextWriteWakesIt(InotifyChatDBChangeWatcher& watcher) {
        ChatDBWriter writer = ChatDBWriter::open(database.string());
        addMessage(writer);
        EXPECT_TRUE(changes.waitFor(1));
        watcher.stop();
    }

    fs::path directory = AgentPaths::homeDirectory() / "Library" / "Messages";
    fs::path database = directory / "chat.db";
    int written = 0;
    ChangeCounter changes;
    testing::LogCapture logs;
};

TEST_F(InotifyChatDBChangeWatcherTest, ACommittedWriteWakesTheWatcher) {
    ChatDBWriter writer = ChatDBWriter::create(database.string());
    InotifyChatDBChangeWatcher watcher(database);
    watcher.start(changes.handler());

    addMessage(writer);
    EXPECT_TRUE(changes.waitFor(1));
}

TEST_F(InotifyChatDBChangeWatcherTest, ABurstOfCommitsIsCoalescedIntoOneCallback) {
    ChatDBWriter writer = ChatDBWriter::create(database.string());
    constexpr double window = 1.0;
    InotifyChatDBChangeWatcher watcher(database, {window, 30.0});
    watcher.start(changes.handler());

    const auto burstStart = std::chrono::steady_clock::now();
    for (int index = 0; index < 30; ++index) {
        addMessage(writer);  // thirty transactions, each writing the WAL several times
    }
    const double burst = std::chrono::duration<double>(std::chrono::steady_clock::now() - burstStart).count();
    ASSERT_TRUE(changes.waitFor(1));
    // A write after the first callback opens a window of its own, which also closes every window the
    // burst could have opened: once its callback arrives, the count is final.
    addMessage(writer);
    ASSERT_TRUE(changes.waitFor(2));
    watcher.stop();

    EXPECT_GE(changes.count(), 2);
    EXPECT_LE(changes.count(), 2 + static_cast<int>(burst / window)) << "the burst took " << burst << " s";
}

TEST_F(InotifyChatDBChangeWatcherTest, TheAgentsOwnReadsNeverWakeIt) {
    {
        ChatDBWriter writer = ChatDBWriter::create(database.string());
        addMessage(writer);
    }  // Messages is not running: the reader is the only connection, and the last to close
    InotifyChatDBChangeWatcher watcher(database, {0.05, 30.0});
    watcher.start(changes.handler());

    // Read for many windows' length; a read that touched the watched files would call back meanwhile.
    const ChatDBReader reader(database.string());
    const auto readingStart = std::chrono::steady_clock::now();
    int reads = 0;
    while (std::chrono::steady_clock::now() - readingStart < 500ms || reads < 20) {
        reader.fetchInbound(0, 200);
        reader.countInbound(0, 200);
        reader.fetchRecentlyRead(0, 0, 100, 0, 100);
        reader.maxRowID();
        ++reads;
    }
    EXPECT_FALSE(changes.waitFor(1, 150ms)) << "the reads woke the watcher";
    expectMessagesNextWriteWakesIt(watcher);
}

TEST_F(InotifyChatDBChangeWatcherTest, WritesAreSeenAcrossTheWALBeingDeletedAndCreatedAgain) {
    InotifyChatDBChangeWatcher watcher(database, {0.05, 30.0});
    std::optional<ChatDBWriter> writer = ChatDBWriter::create(database.string());
    watcher.start(changes.handler());

    addMessage(*writer);
    ASSERT_TRUE(changes.waitFor(1));
    writer.reset();  // the last connection checkpoints into the database file and deletes the WAL
    ASSERT_FALSE(fs::exists(database.string() + "-wal"));
    ASSERT_TRUE(changes.waitFor(2)) << "the checkpoint writes the database file";

    writer.emplace(ChatDBWriter::open(database.string()));
    addMessage(*writer);
    EXPECT_TRUE(changes.waitFor(3));
}

TEST_F(InotifyChatDBChangeWatcherTest, ADatabaseReplacedByRenameIsAChange) {
    { ChatDBWriter::create(database.string()); }
    { ChatDBWriter::create((directory / "restored.db").string()); }
    InotifyChatDBChangeWatcher watcher(database, {0.05, 30.0});
    watcher.start(changes.handler());

    fs::rename(directory / "restored.db", database);
    EXPECT_TRUE(changes.waitFor(1));
}

TEST_F(InotifyChatDBChangeWatcherTest, FilesBesideTheDatabaseAreIgnored) {
    ChatDBWriter other = ChatDBWriter::create((directory / "other.db").string());
    { ChatDBWriter::create(database.string()); }
    InotifyChatDBChangeWatcher watcher(database, {0.05, 30.0});
    watcher.start(changes.handler());

    // Writing another database (its file, its WAL and its shared-memory file) for many windows' length.
    const auto writingStart = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - writingStart < 300ms) {
        addMessage(other);
    }
    EXPECT_FALSE(changes.waitFor(1, 150ms)) << "the other database woke the watcher";
    expectMessagesNextWriteWakesIt(watcher);
}

TEST_F(InotifyChatDBChangeWatcherTest, ADatabaseReachedThroughASymbolicLinkIsWatchedWhereItLives) {
    const fs::path realDirectory = AgentPaths::homeDirectory() / "elsewhere";
    fs::create_directories(realDirectory);
    ChatDBWriter writer = ChatDBWriter::create((realDirectory / "chat.db").string());
    fs::create_symlink(realDirectory / "chat.db", database);
    InotifyChatDBChangeWatcher watcher(database, {0.05, 30.0});
    watcher.start(changes.handler());

    addMessage(writer);
    EXPECT_TRUE(changes.waitFor(1));
}

TEST_F(InotifyChatDBChangeWatcherTest, AMissingDirectoryIsLoggedOnceAndWatchedOnceItAppears) {
    const fs::path missing = AgentPaths::homeDirectory() / "not-yet" / "chat.db";
    InotifyChatDBChangeWatcher watcher(missing, {0.05, 0.01});
    ASSERT_NO_THROW(watcher.start(changes.handler()));
    ASSERT_EQ(logs.count("cannot watch", "Sync"), 1u);

    fs::create_directories(missing.parent_path());
    ChatDBWriter writer = ChatDBWriter::create(missing.string());
    // The watch is tried again every 10 ms: write until a write is seen.
    bool seen = false;
    for (int attempt = 0; attempt < 100 && !seen; ++attempt) {
        addMessage(writer);
        seen = changes.waitFor(1, 100ms);
    }
    EXPECT_TRUE(seen);
    watcher.stop();
    EXPECT_EQ(logs.count("cannot watch", "Sync"), 1u) << "failed retries are quiet";
    EXPECT_TRUE(logs.contains("watching", "Sync"));
}

TEST_F(InotifyChatDBChangeWatcherTest, AWatchLostWithItsDirectoryIsSetUpAgain) {
    ChatDBWriter::create(database.string());
    InotifyChatDBChangeWatcher watcher(database, {0.05, 0.01});
    watcher.start(changes.handler());

    const fs::path moved = directory.parent_path() / "Messages.moved";
    fs::rename(directory, moved);
    fs::create_directories(directory);
    fs::rename(moved / "chat.db", database);
    ChatDBWriter writer = ChatDBWriter::open(database.string());
    bool seen = false;
    for (int attempt = 0; attempt < 100 && !seen; ++attempt) {
        addMessage(writer);
        seen = changes.waitFor(1, 100ms);
    }
    EXPECT_TRUE(seen);
    EXPECT_TRUE(logs.contains("lost the change watch", "Sync"));
}

TEST_F(InotifyChatDBChangeWatcherTest, StopIsPromptWhateverTheWatcherIsWaitingFor) {
    ChatDBWriter writer = ChatDBWriter::create(database.string());
    // A burst that would end in an hour, and a missing directory retried every hour.
    InotifyChatDBChangeWatcher pending(database, {3600.0, 3600.0});
    InotifyChatDBChangeWatcher missing(directory / "absent" / "chat.db", {3600.0, 3600.0});
    pending.start(changes.handler());
    missing.start(changes.handler());
    addMessage(writer);

    const auto stopping = std::chrono::steady_clock::now();
    pending.stop();
    missing.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, 2s);
    EXPECT_EQ(changes.count(), 0) << "a burst cut short by stop() is not reported";
}

TEST_F(InotifyChatDBChangeWatcherTest, StartsAgainAfterStopAndIgnoresASecondStart) {
    ChatDBWriter writer = ChatDBWriter::create(database.string());
    InotifyChatDBChangeWatcher watcher(database, {0.05, 30.0});
    ChangeCounter ignored;
    watcher.start(changes.handler());
    watcher.start(ignored.handler());  // already watching
    watcher.stop();
    watcher.stop();
    watcher.start(changes.handler());

    addMessage(writer);
    ASSERT_TRUE(changes.waitFor(1));
    watcher.stop();
    EXPECT_EQ(ignored.count(), 0);
}

TEST_F(InotifyChatDBChangeWatcherTest, AHandlerThatThrowsIsLoggedAndTheWatchGoesOn) {
    ChatDBWriter writer = ChatDBWriter::create(database.string());
    InotifyChatDBChangeWatcher watcher(database, {0.05, 30.0});
    bool thrown = false;
    const auto counting = changes.handler();
    watcher.start([&] {
        counting();
        if (!thrown) {
            thrown = true;
            throw std::runtime_error("handler failed");
        }
    });

    addMessage(writer);
    ASSERT_TRUE(changes.waitFor(1));
    addMessage(writer);
    EXPECT_TRUE(changes.waitFor(2));
    watcher.stop();
    EXPECT_TRUE(logs.contains("handler failed", "Sync"));
}

}  // namespace
}  // namespace kindora
