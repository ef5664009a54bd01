#include "core/common/BackgroundTask.hpp"

#include <exception>
#include <utility>

#include "core/common/Log.hpp"

namespace kindora {

BackgroundTask::BackgroundTask(MainQueue& mainQueue, Work work) : posts_(mainQueue) {
    thread_ = std::thread([this, work = std::move(work), token = stop_.get_token()] {
        try {
            work(Context(posts_, token));
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

void BackgroundTask::cancel() {
    stop_.request_stop();
    posts_.close();
}

}  // namespace kindora
