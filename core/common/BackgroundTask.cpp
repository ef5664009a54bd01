#include "core/common/BackgroundTask.hpp"

#include <exception>
#include <utility>

#include "core/common/Log.hpp"

namespace kindora {

void BackgroundTask::Context::post(std::function<void()> continuation) const {
    mainQueue_.post([stop = stop_, continuation = std::move(continuation)] {
        if (!stop.stop_requested()) {
            continuation();
        }
    });
}

BackgroundTask::BackgroundTask(MainQueue& mainQueue, Work work) {
    thread_ = std::thread([&mainQueue, work = std::move(work), token = stop_.get_token()] {
        try {
            work(Context(mainQueue, token));
        } catch (const std::exception& error) {
            Log("BackgroundTask").fault("background work threw: {}", error.what());
        } catch (...) {
            Log("BackgroundTask").fault("background work threw");
        }
    });
}

BackgroundTask::~BackgroundTask() {
    cancel();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void BackgroundTask::cancel() { stop_.request_stop(); }

}  // namespace kindora
