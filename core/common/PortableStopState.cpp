#include "core/common/PortableStopState.hpp"

namespace kindora::detail {

bool PortableStopState::requestStop() noexcept {
    std::unique_lock lock(mutex_);
    if (stopRequested_.load(std::memory_order_relaxed)) {
        return false;
    }
    stopRequested_.store(true, std::memory_order_release);
    requestingThread_ = std::this_thread::get_id();
    while (head_ != nullptr) {
        PortableStopCallbackNode& node = *head_;
        unlink(node);
        running_ = &node;
        lock.unlock();
        // `node` may be destroyed by its own callback: it is not touched once the callback returns.
        node.invoke_(node);
        lock.lock();
        running_ = nullptr;
        callbackReturned_.notify_all();
    }
    return true;
}

PortableStopState::Registration PortableStopState::add(PortableStopCallbackNode& node) noexcept {
    const std::lock_guard lock(mutex_);
    if (stopRequested_.load(std::memory_order_relaxed)) {
        return Registration::alreadyStopped;
    }
    if (sources_.load(std::memory_order_acquire) == 0) {
        return Registration::neverStops;
    }
    node.previous_ = nullptr;
    node.next_ = head_;
    if (head_ != nullptr) {
        head_->previous_ = &node;
    }
    head_ = &node;
    node.listed_ = true;
    return Registration::listed;
}

void PortableStopState::remove(PortableStopCallbackNode& node) noexcept {
    std::unique_lock lock(mutex_);
    if (node.listed_) {
        unlink(node);
        return;
    }
    if (running_ != &node || requestingThread_ == std::this_thread::get_id()) {
        return;  // it ran already, never was listed, or is deregistering itself from inside its callback
    }
    callbackReturned_.wait(lock, [this, &node] { return running_ != &node; });
}

void PortableStopState::unlink(PortableStopCallbackNode& node) noexcept {
    if (node.previous_ != nullptr) {
        node.previous_->next_ = node.next_;
    } else {
        head_ = node.next_;
    }
    if (node.next_ != nullptr) {
        node.next_->previous_ = node.previous_;
    }
    node.previous_ = nullptr;
    node.next_ = nullptr;
    node.listed_ = false;
}

}  // namespace kindora::detail
