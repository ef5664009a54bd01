#pragma once

#include <filesystem>
#include <mutex>
#include <thread>

#include "core/common/Log.hpp"
#include "core/messagesdb/ChatDBChangeWatching.hpp"

namespace kindora {

// Linux change watcher: inotify on the database's directory, reacting to writes to the database file
// and to its "-wal" file. The "-shm" file is ignored because every reader, the agent's own included,
// writes to it; the agent's reads therefore never wake the agent. A burst of writes (a transaction
// touches the files many times) gives one call after a short coalescing window.
//
// The watch is set up in start(), on the caller's thread, so that writes made after start() returns
// are seen. When it cannot be set up (the directory is missing, the inotify limits are reached) that
// is logged once and it is tried again quietly every setupRetrySeconds; a watch lost later (the
// directory removed or moved) is retried the same way.
class InotifyChatDBChangeWatcher final : public ChatDBChangeWatching {
public:
    struct Options {
        // How long after the first write of a burst the handler is called.
        double coalescingSeconds = 0.25;
        // How often a watch that could not be set up is tried again.
        double setupRetrySeconds = 30.0;
    };

    explicit InotifyChatDBChangeWatcher(std::filesystem::path databasePath);
    InotifyChatDBChangeWatcher(std::filesystem::path databasePath, Options options);
    InotifyChatDBChangeWatcher(const InotifyChatDBChangeWatcher&) = delete;
    InotifyChatDBChangeWatcher& operator=(const InotifyChatDBChangeWatcher&) = delete;
    ~InotifyChatDBChangeWatcher() override;

    // Does nothing while already watching.
    void start(ChangeHandler onChange) override;
    // Prompt: wakes the thread and joins it. The handler must not call it while another thread might.
    void stop() override;

private:
    class Watch;

    void run(Watch watch, int wakeDescriptor, const ChangeHandler& onChange);
    Watch setUp();
    void endThread();

    const std::filesystem::path databasePath_;
    const Options options_;
    const Log logger_{"Sync"};

    std::mutex mutex_;  // serialises start() and stop()
    std::thread thread_;
    int wakeDescriptor_ = -1;  // an eventfd; stop() writes it to end the thread's poll
    bool stopping_ = false;

    // Written by start() before the thread exists and by the thread; never by both at once.
    bool setupFailureLogged_ = false;
};

}  // namespace kindora
