#pragma once

#include <functional>
#include <thread>

#include "core/common/MainQueue.hpp"
#include "core/common/PostScope.hpp"
#include "core/common/StopToken.hpp"

namespace kindora {

// Blocking work for a main-thread controller (a backend call), run on a thread of its own. (A wait
// for a deadline needs no thread: MainQueue::postAfter.) The work hands its results back through
// Context::post, within the task's PostScope: the posted function runs on the main thread only if the
// task was not cancelled by then. Since cancel() and the destructor are called on the main thread too,
// a continuation never runs after its owner cancelled the task or was destroyed.
class BackgroundTask {
public:
    class Context {
    public:
        Context(const PostScope& posts, StopToken stop) : posts_(posts), stop_(std::move(stop)) {}

        const StopToken& stopToken() const { return stop_; }
        bool isCancelled() const { return stop_.stop_requested(); }

        // Runs `continuation` on the main thread unless the task is cancelled before it gets there.
        void post(std::function<void()> continuation) const { posts_.post(std::move(continuation)); }

    private:
        const PostScope& posts_;
        StopToken stop_;
    };

    using Work = std::function<void(const Context& context)>;

    BackgroundTask(MainQueue& mainQueue, Work work);
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;
    // Cancels the work and waits for its thread; the work must honour the stop token promptly.
    ~BackgroundTask();

    void cancel();
    bool isCancelled() const { return stop_.stop_requested(); }

private:
    PostScope posts_;
    StopSource stop_;
    std::thread thread_;
};

}  // namespace kindora
