#pragma once

// Our own stop source, token and callback, with the interface of the standard library's
// std::stop_source, std::stop_token and std::stop_callback (C++20), for standard libraries that lack
// <stop_token>. StopToken.hpp chooses between the two; this one is always compiled and tested, so that it
// stays correct on the platforms that do not use it.

#include <concepts>
#include <memory>
#include <type_traits>
#include <utility>

#include "core/common/PortableStopState.hpp"

namespace kindora::detail {

struct PortableNoStopState {
    explicit PortableNoStopState() = default;
};
inline constexpr PortableNoStopState portableNoStopState{};

class PortableStopToken {
public:
    PortableStopToken() noexcept = default;

    [[nodiscard]] bool stop_requested() const noexcept { return state_ && state_->stopRequested(); }
    [[nodiscard]] bool stop_possible() const noexcept { return state_ && state_->stopPossible(); }

    void swap(PortableStopToken& other) noexcept { state_.swap(other.state_); }
    friend void swap(PortableStopToken& left, PortableStopToken& right) noexcept { left.swap(right); }
    [[nodiscard]] friend bool operator==(const PortableStopToken& left,
                                         const PortableStopToken& right) noexcept {
        return left.state_ == right.state_;
    }

private:
    friend class PortableStopSource;
    template <typename Callback>
    friend class PortableStopCallback;

    explicit PortableStopToken(std::shared_ptr<PortableStopState> state) noexcept
        : state_(std::move(state)) {}

    std::shared_ptr<PortableStopState> state_;
};

class PortableStopSource {
public:
    PortableStopSource() : state_(std::make_shared<PortableStopState>()) { state_->addSource(); }
    explicit PortableStopSource(PortableNoStopState) noexcept {}

    PortableStopSource(const PortableStopSource& other) noexcept : state_(other.state_) {
        if (state_) {
            state_->addSource();
        }
    }
    PortableStopSource(PortableStopSource&& other) noexcept = default;
    PortableStopSource& operator=(const PortableStopSource& other) noexcept {
        PortableStopSource(other).swap(*this);
        return *this;
    }
    PortableStopSource& operator=(PortableStopSource&& other) noexcept {
        PortableStopSource(std::move(other)).swap(*this);
        return *this;
    }
    ~PortableStopSource() {
        if (state_) {
            state_->removeSource();
        }
    }

    bool request_stop() noexcept { return state_ && state_->requestStop(); }
    [[nodiscard]] PortableStopToken get_token() const noexcept { return PortableStopToken(state_); }
    [[nodiscard]] bool stop_requested() const noexcept { return state_ && state_->stopRequested(); }
    [[nodiscard]] bool stop_possible() const noexcept { return static_cast<bool>(state_); }

    void swap(PortableStopSource& other) noexcept { state_.swap(other.state_); }
    friend void swap(PortableStopSource& left, PortableStopSource& right) noexcept { left.swap(right); }
    [[nodiscard]] friend bool operator==(const PortableStopSource& left,
                                         const PortableStopSource& right) noexcept {
        return left.state_ == right.state_;
    }

private:
    std::shared_ptr<PortableStopState> state_;
};

// Runs `callback` once when stop is requested on the token's state, on the requesting thread; at once,
// in the constructor, when stop was already requested. The destructor deregisters it, waiting for a run
// in progress on another thread.
template <typename Callback>
class [[nodiscard]] PortableStopCallback : private PortableStopCallbackNode {
    static_assert(std::is_nothrow_destructible_v<Callback>);
    static_assert(std::is_invocable_v<Callback>);

public:
    using callback_type = Callback;

    template <typename Initializer>
    requires std::constructible_from<Callback, Initializer>
    explicit PortableStopCallback(const PortableStopToken& token, Initializer&& callback) noexcept(
        std::is_nothrow_constructible_v<Callback, Initializer>)
        : PortableStopCallbackNode(&PortableStopCallback::run),
          callback_(std::forward<Initializer>(callback)) {
        attach(token.state_);
    }

    template <typename Initializer>
    requires std::constructible_from<Callback, Initializer>
    explicit PortableStopCallback(PortableStopToken&& token, Initializer&& callback) noexcept(
        std::is_nothrow_constructible_v<Callback, Initializer>)
        : PortableStopCallbackNode(&PortableStopCallback::run),
          callback_(std::forward<Initializer>(callback)) {
        attach(std::move(token.state_));
    }

    PortableStopCallback(const PortableStopCallback&) = delete;
    PortableStopCallback& operator=(const PortableStopCallback&) = delete;

    ~PortableStopCallback() {
        if (state_) {
            state_->remove(*this);
        }
    }

private:
    void attach(std::shared_ptr<PortableStopState> state) noexcept {
        if (!state) {
            return;
        }
        switch (state->add(*this)) {
            case PortableStopState::Registration::listed:
                state_ = std::move(state);
                break;
            case PortableStopState::Registration::alreadyStopped:
                std::forward<Callback>(callback_)();
                break;
            case PortableStopState::Registration::neverStops:
                break;
        }
    }

    static void run(PortableStopCallbackNode& node) noexcept {
        auto& self = static_cast<PortableStopCallback&>(node);
        std::forward<Callback>(self.callback_)();
    }

    Callback callback_;
    std::shared_ptr<PortableStopState> state_;
};

template <typename Callback>
PortableStopCallback(PortableStopToken, Callback) -> PortableStopCallback<Callback>;

}  // namespace kindora::detail
