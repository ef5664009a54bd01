#include "core/common/BackgroundTask.hpp"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

#include "core/common/Log.hpp"

namespace kindora {

// What the task and its thread share; the thread holds it until its very end, so the task may go first.
struct BackgroundTask::Shared {
    explicit Shared(MainQueue& mainQueue) : posts(mainQueue) {}

    PostScope posts;
    StopSource stop;
    mutable std::mutex mutex;
    std::condition_variable ended;
    bool finished = false;
};

BackgroundTask::BackgroundTask(MainQueue& mainQueue, Work work)
    : shared_(std::make_shared<Shared>(mainQueue)) {
    std::thread([shared = shared_, work = std::move(work)]() mutable {
        try {
            work(Context(shared->posts, shared->stop.get_token()));
        } catch (const std::exception& error) {
            Log("BackgroundTask").fault("background work threw: {}", error.what());
        } catch (...) {
            Log("BackgroundTask").fault("background work threw");
        }
        work = nullptr;  // what it captured goes with the work, before anyone is told it ended
        {
            const std::lock_guard lock(shared->mutex);
            shared->finished = true;
        }
        shared->ended.notify_all();
    }).detach();
}

BackgroundTask::~BackgroundTask() {
    cancel();
    std::unique_lock lock(shared_->mutex);
    shared_->ended.wait(lock, [this] { return shared_->finished; });
}

void BackgroundTask::cancel() {
    shared_->stop.request_stop();
    shared_->posts.close();
}

bool BackgroundTask::isCancelled() const {
    return shared_->stop.stop_requested();
}

bool BackgroundTask::isFinished() const {
    const std::lock_guard lock(shared_->mutex);
    return shared_->finished;
}

}  // namespace kindora
