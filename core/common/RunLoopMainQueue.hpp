#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <utility>

#include "core/common/MainQueue.hpp"

namespace kindora {

// A main queue for programs without a UI toolkit (the headless agent, tools): the thread that calls
// run() becomes the main thread and executes posted work in order until quit() is called; work posted
// with a delay joins the queue when its time comes.
class RunLoopMainQueue final : public MainQueue {
public:
    void post(std::function<void()> work) override;
    void postAfter(double seconds, std::function<void()> work) override;

    // Runs posted work on the calling thread until quit(); work posted before quit() still runs, work
    // whose delay has not passed by then does not.
    void run();
    // Safe from any thread, including from posted work.
    void quit();

private:
    using Clock = std::chrono::steady_clock;

    // Moves delayed work that is due to the queue. Called with the mutex held.
    void promoteDue(Clock::time_point now);

    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
    // By deadline, then by order of posting.
    std::map<std::pair<Clock::time_point, std::uint64_t>, std::function<void()>> delayed_;
    std::uint64_t delayedCount_ = 0;
    bool quitting_ = false;
};

}  // namespace kindora
