#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

namespace kindora::detail {

// One registered stop callback, linked into its state's list. A plain function pointer instead of a
// virtual call keeps the callback objects free of a vtable and of a virtual destructor.
class PortableStopCallbackNode {
public:
    using Invoke = void (*)(PortableStopCallbackNode&) noexcept;

    explicit PortableStopCallbackNode(Invoke invoke) noexcept : invoke_(invoke) {}
    PortableStopCallbackNode(const PortableStopCallbackNode&) = delete;
    PortableStopCallbackNode& operator=(const PortableStopCallbackNode&) = delete;

private:
    friend class PortableStopState;

    Invoke invoke_;
    PortableStopCallbackNode* previous_ = nullptr;
    PortableStopCallbackNode* next_ = nullptr;
    bool listed_ = false;
};

// What the sources, tokens and callbacks of one stop request share: whether stop was requested, how
// many sources could still request it, and the callbacks to run when one does.
//
// Callbacks run on the thread that requests stop, one after another, with the state's mutex released
// (a callback may register or deregister callbacks, even itself). Deregistering a callback that is
// running on another thread waits until it has returned, so that what it uses stays alive; a callback
// that deregisters itself while running does not wait (it would wait for itself).
class PortableStopState {
public:
    enum class Registration { listed, alreadyStopped, neverStops };

    PortableStopState() = default;
    PortableStopState(const PortableStopState&) = delete;
    PortableStopState& operator=(const PortableStopState&) = delete;

    bool stopRequested() const noexcept { return stopRequested_.load(std::memory_order_acquire); }
    bool stopPossible() const noexcept {
        return stopRequested() || sources_.load(std::memory_order_acquire) > 0;
    }

    void addSource() noexcept { sources_.fetch_add(1, std::memory_order_relaxed); }
    void removeSource() noexcept { sources_.fetch_sub(1, std::memory_order_acq_rel); }

    // Returns true when this call is the one that requested stop (and so ran the callbacks).
    bool requestStop() noexcept;

    // Lists `node` to run on a later stop request. When stop was already requested the caller runs the
    // callback itself; when no source is left it never runs.
    Registration add(PortableStopCallbackNode& node) noexcept;
    void remove(PortableStopCallbackNode& node) noexcept;

private:
    void unlink(PortableStopCallbackNode& node) noexcept;

    std::atomic<bool> stopRequested_{false};
    std::atomic<std::size_t> sources_{0};
    std::mutex mutex_;
    std::condition_variable callbackReturned_;
    PortableStopCallbackNode* head_ = nullptr;
    PortableStopCallbackNode* running_ = nullptr;
    std::thread::id requestingThread_;
};

}  // namespace kindora::detail
