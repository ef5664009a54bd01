#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "core/common/MainQueue.hpp"

namespace kindora {

// A main queue for programs without a UI toolkit (the headless agent, tools): the thread that calls
// run() becomes the main thread and executes posted work in order until quit() is called.
class RunLoopMainQueue final : public MainQueue {
public:
    void post(std::function<void()> work) override;

    // Runs posted work on the calling thread until quit(); work posted before quit() still runs.
    void run();
    // Safe from any thread, including from posted work.
    void quit();

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
    bool quitting_ = false;
};

}  // namespace kindora
