#pragma once

#include <functional>
#include <memory>

#include "core/common/MainQueue.hpp"
#include "core/common/PostScope.hpp"
#include "core/common/StopToken.hpp"

namespace kindora {

// Blocking work for a main-thread controller (a backend call), run on a thread of its own. (A wait
// for a deadline needs no thread: MainQueue::postAfter.) The work hands its results back through
// Context::post, within the task's PostScope: the posted function runs on the main thread only if the
// task was not cancelled by then. Since cancel() and the destructor are called on the main thread too,
// a continuation never runs after its owner cancelled the task or was destroyed.
//
// Nothing here waits for the thread while the work is over: the thread is never joined, it ends by
// itself once the work returns. Cancelling does not wait either, so a controller that cancels or
// replaces a task whose work is still running hands it to its RetiredTasks rather than destroying it;
// destroying a task whose work is still running waits for the work, which only an owner's teardown
// does.
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
    // Cancels the work and, if it has not returned yet, waits for it; the work must honour the stop
    // token promptly.
    ~BackgroundTask();

    // Asks the work to stop and drops what it posts from now on; returns at once.
    void cancel();
    bool isCancelled() const;
    // Whether the work has returned (its thread touches nothing of the task's owner any more).
    bool isFinished() const;

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

}  // namespace kindora
