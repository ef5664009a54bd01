#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <utility>

#include "core/common/MainQueue.hpp"

namespace kindora {

// Work an owner posts to the main queue, dropped once the owner no longer wants it: whatever of it has
// not run when the scope is closed or destroyed never runs, and nothing posted through it afterwards
// does either. The one way posted work is tied to its owner's life: a controller that replaces a
// deadline makes a new scope; a background task closes its scope when it is cancelled.
//
// close() and the destructor are called on the main thread, where the posted work runs too, so a
// dropped item is never running at that moment. post() and postAfter() may be called from any thread
// the owner ends before it destroys the scope; a thread that may outlive the owner posts through a
// poster().
class PostScope {
public:
    explicit PostScope(MainQueue& queue) : queue_(queue) {}
    PostScope(const PostScope&) = delete;
    PostScope& operator=(const PostScope&) = delete;
    ~PostScope() { close(); }

    void post(std::function<void()> work) const { queue_.post(guarded(std::move(work))); }
    void postAfter(double seconds, std::function<void()> work) const {
        queue_.postAfter(seconds, guarded(std::move(work)));
    }

    // Posting within this scope for a thread that may outlive the scope's owner (the main queue must
    // outlive it): what it posts once the scope has ended is dropped.
    std::function<void(std::function<void()>)> poster() const {
        return [&queue = queue_, open = open_](std::function<void()> work) {
            queue.post([open, work = std::move(work)] {
                if (open->load()) {
                    work();
                }
            });
        };
    }

    void close() { open_->store(false); }
    bool isOpen() const { return open_->load(); }

private:
    std::function<void()> guarded(std::function<void()> work) const {
        return [open = open_, work = std::move(work)] {
            if (open->load()) {
                work();
            }
        };
    }

    MainQueue& queue_;
    const std::shared_ptr<std::atomic<bool>> open_ = std::make_shared<std::atomic<bool>>(true);
};

}  // namespace kindora
