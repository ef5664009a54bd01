#pragma once

#include <chrono>
#include <set>

namespace kindora {

// Keeps a panel that just appeared from acting on input the person did not mean for it. Someone typing
// in another window when an alert or a takeover appears would otherwise press Return on it, resolving
// an alert for the whole household or joining a call with the camera on. For `armingDelay` after the
// panel appears (or its content becomes another alert group or meeting) no key or click acts; after
// that, a key acts only if its press began while the panel was armed, and never on auto-repeat; a
// click only if its press did. Pure rule: the caller feeds it input with the time it happened.
class InputGuard {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds armingDelay{1000};

    // The panel appeared, or its content changed to something else: disarms until `now + armingDelay`.
    void restart(Clock::time_point now);
    bool isArmed(Clock::time_point now) const;
    // Time left until armed (zero when armed).
    std::chrono::milliseconds untilArmed(Clock::time_point now) const;

    // Whether the event may reach the panel. `key` identifies the key (any stable code).
    bool allowKeyPress(int key, bool autoRepeat, Clock::time_point now);
    bool allowKeyRelease(int key, bool autoRepeat);
    bool allowPointerPress(Clock::time_point now);
    bool allowPointerRelease();

private:
    Clock::time_point armedAt_{};
    std::set<int> keysPressedWhileArmed_;
    bool pointerPressedWhileArmed_ = false;
};

}  // namespace kindora
