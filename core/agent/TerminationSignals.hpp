#pragma once

#include <csignal>
#include <functional>
#include <mutex>
#include <thread>

namespace kindora {

// How an agent process meets SIGTERM and SIGINT (a session ending, Ctrl-C), whatever its front end:
// the first asks for a clean shutdown (the front end quits its event loop, and the agent stops and
// joins its loops); a second one, while that shutdown is slow, runs the last save (the agent's saves
// still on their way to the disk), flushes the log and ends the process at once. SIGPIPE is ignored: a
// peer closing a socket is an error of that write, not a reason to die.
//
// The signals are taken by a thread of their own through sigwait, so construct this before any other
// thread exists (every later thread inherits the blocked signals); the callbacks run on that thread.
class TerminationSignals {
public:
    explicit TerminationSignals(std::function<void()> shutDown);
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;
    // Ends the waiting thread; signals stay blocked (the process is ending).
    ~TerminationSignals();

    // Replaces what a second signal saves before the process ends (empty: nothing but the log). Waits
    // for a last save under way, so that what the previous one touched may go once this returns.
    void setLastSave(std::function<void()> lastSave);

private:
    void run();

    std::function<void()> shutDown_;
    std::mutex lastSaveMutex_;
    std::function<void()> lastSave_;
    sigset_t signals_{};
    std::thread thread_;
};

}  // namespace kindora
