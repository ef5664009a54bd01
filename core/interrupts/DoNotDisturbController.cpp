#include "core/interrupts/DoNotDisturbController.hpp"

#include <algorithm>
#include <utility>

namespace kindora {
namespace {

// The end a period may have when checked at `now`: never later than the longest preset from now.
Date cappedEnd(Date end, Date now) {
    return std::min(end, now + Seconds(DoNotDisturbPreset::maxSuppressionWindow()));
}

}  // namespace

DoNotDisturbController::DoNotDisturbController(DoNotDisturbStore& store, MainQueue& mainQueue,
                                               std::function<Date()> now)
    : store_(store), mainQueue_(mainQueue), now_(std::move(now)) {
    const auto stored = store_.loadUntil();
    if (!stored) {
        return;
    }
    const Date current = now_();
    if (*stored <= current) {
        store_.saveUntil(std::nullopt);
        return;
    }
    const Date effective = cappedEnd(*stored, current);
    until_.set(effective);
    if (effective != *stored) {
        store_.saveUntil(effective);
    }
    scheduleExpiry();
}

DoNotDisturbController::~DoNotDisturbController() = default;

void DoNotDisturbController::enable(const DoNotDisturbPreset& preset) {
    const Date end = now_() + Seconds(std::min(preset.duration, DoNotDisturbPreset::maxSuppressionWindow()));
    until_.set(end);
    store_.saveUntil(end);
    scheduleExpiry();
    notifyStateChange();
}

void DoNotDisturbController::disable() {
    expire();
}

void DoNotDisturbController::recomputeAfterWake() {
    const auto current = until_.value();
    if (!current) {
        return;
    }
    const Date now = now_();
    if (*current <= now) {
        expire();
        return;
    }
    const Date effective = cappedEnd(*current, now);
    if (effective != *current) {
        until_.set(effective);
        store_.saveUntil(effective);
        scheduleExpiry();
        notifyStateChange();
    } else {
        scheduleExpiry();
    }
}

Subscription DoNotDisturbController::observeUntil(std::function<void(const std::optional<Date>&)> observer) {
    return until_.observe(std::move(observer));
}

void DoNotDisturbController::setOnStateChange(std::function<void()> onStateChange) {
    onStateChange_ = std::move(onStateChange);
}

void DoNotDisturbController::expire() {
    if (!until_.value()) {
        return;
    }
    until_.set(std::nullopt);
    store_.saveUntil(std::nullopt);
    expiry_.reset();
    notifyStateChange();
}

void DoNotDisturbController::scheduleExpiry() {
    expiry_.reset();
    const auto end = until_.value();
    if (!end) {
        return;
    }
    expiry_ = std::make_unique<PostScope>(mainQueue_);
    expiry_->postAfter(std::max(0.0, secondsBetween(now_(), *end)), [this] {
        // The queue's delay runs on a steady clock; the end is a time of day. Not there yet (the clock
        // was set back): wait for the rest.
        if (const auto current = until_.value(); current && now_() < *current) {
            scheduleExpiry();
            return;
        }
        expire();
    });
}

Subscription DoNotDisturbController::observeStateChange(std::function<void()> listener) {
    return stateChanges_.observe([listener = std::move(listener)](unsigned long) { listener(); });
}

void DoNotDisturbController::notifyStateChange() {
    stateChanges_.set(stateChanges_.value() + 1);
    if (onStateChange_) {
        // A copy: the listener may replace itself while being told.
        const auto onStateChange = onStateChange_;
        onStateChange();
    }
}

}  // namespace kindora
