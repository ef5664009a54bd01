#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "core/common/Date.hpp"
#include "core/common/MainQueue.hpp"
#include "core/common/Observable.hpp"
#include "core/common/PostScope.hpp"
#include "core/interrupts/DoNotDisturbPreset.hpp"
#include "core/interrupts/DoNotDisturbStore.hpp"

namespace kindora {

// Do-not-disturb: pauses the full-screen takeovers until a chosen end time. The end is persisted so
// that it survives a restart, the period ends by itself when the time is up, and one listener is told
// about every change. The end is a deadline on the main queue. Lives on the main thread; every call is
// made there.
class DoNotDisturbController {
public:
    DoNotDisturbController(DoNotDisturbStore& store, MainQueue& mainQueue, std::function<Date()> now);
    DoNotDisturbController(const DoNotDisturbController&) = delete;
    DoNotDisturbController& operator=(const DoNotDisturbController&) = delete;
    ~DoNotDisturbController();

    // Starts, or restarts, a period of the preset's length from now.
    void enable(const DoNotDisturbPreset& preset);
    // Ends the period at once; does nothing while off.
    void disable();
    // Re-checks the period against the clock, for use after the computer wakes from sleep: ends it if
    // its time has passed, and cuts it to the longest preset from now.
    void recomputeAfterWake();

    // True exactly while an end time is set; the scheduled expiry keeps that honest.
    bool isActive() const { return until_.value().has_value(); }
    std::optional<Date> until() const { return until_.value(); }
    [[nodiscard]] Subscription observeUntil(std::function<void(const std::optional<Date>&)> observer);

    // Called after every change of the end time made by this controller (not at construction).
    void setOnStateChange(std::function<void()> onStateChange);
    // The same notification for further listeners (the interrupt controller), each for as long as
    // its subscription lives, so that setting the callback above never silences them.
    [[nodiscard]] Subscription observeStateChange(std::function<void()> listener);

private:
    void expire();
    void scheduleExpiry();
    void notifyStateChange();

    Observable<std::optional<Date>> until_;
    std::function<void()> onStateChange_;
    Observable<unsigned long> stateChanges_{0};  // counts the changes; its observers are the listeners
    DoNotDisturbStore& store_;
    MainQueue& mainQueue_;
    const std::function<Date()> now_;
    // The pending expiry, replaced on every reschedule. Last: it is dropped before the state it touches.
    std::unique_ptr<PostScope> expiry_;
};

}  // namespace kindora
