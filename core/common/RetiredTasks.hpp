#pragma once

#include <memory>
#include <vector>

#include "core/common/BackgroundTask.hpp"

namespace kindora {

// The background tasks a main-thread controller has cancelled or replaced while their work may still
// be running (a keyring call, a database check, the sound server): kept, cancelled, until their work
// has returned, so that the main thread never waits for one. Destroying it, at its owner's teardown,
// waits for those still running: declare it after whatever their work uses.
class RetiredTasks {
public:
    RetiredTasks() = default;
    RetiredTasks(const RetiredTasks&) = delete;
    RetiredTasks& operator=(const RetiredTasks&) = delete;
    ~RetiredTasks() = default;

    // Cancels `task` (if any) and keeps it until its work has returned; forgets those that have.
    void retire(std::unique_ptr<BackgroundTask> task);
    std::size_t size() const { return tasks_.size(); }

private:
    std::vector<std::unique_ptr<BackgroundTask>> tasks_;
};

}  // namespace kindora
