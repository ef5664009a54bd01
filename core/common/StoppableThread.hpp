#pragma once

#include <functional>
#include <mutex>
#include <thread>

namespace kindora {

// A thread that listens on descriptors (a bus, inotify) and must be stoppable at once: its body gets an
// event descriptor to poll beside its own, which becomes readable when stop() is called, and returns
// then. Start and stop may be called from any thread; the destructor stops.
class StoppableThread {
public:
    StoppableThread() = default;
    StoppableThread(const StoppableThread&) = delete;
    StoppableThread& operator=(const StoppableThread&) = delete;
    ~StoppableThread();

    // Runs `body(stopEvent)` on a new thread. False, with errno telling why, when the event descriptor
    // could not be made; true (and nothing done) when it is running already.
    bool start(std::function<void(int stopEvent)> body);
    bool isRunning();
    // Signals the body and waits for it to return. Does nothing when not running.
    void stop();

private:
    std::mutex mutex_;
    std::thread thread_;
    int stopEvent_ = -1;
};

}  // namespace kindora
