#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace kindora {

// Writes of state that is replaced whole (a ledger file, a settings file), done on a thread of its own
// so that whoever changes the state never waits on the disk. Only the newest write that has not begun
// is kept: a burst of changes costs one or two writes, each of the latest state. Writes run one at a
// time, in the order they were handed over. Any thread may call submit(); destruction waits for the
// write under way and the one pending.
class WriteBehind {
public:
    WriteBehind();
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;
    ~WriteBehind();

    // Replaces the pending write, if any, with `write`. `write` must not throw.
    void submit(std::function<void()> write);
    // Blocks until every write handed over so far has finished (for shutdown and tests).
    void flush();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> pending_;
    bool writing_ = false;
    bool stopping_ = false;
    std::thread thread_;  // last: started once the fields above exist
};

}  // namespace kindora
