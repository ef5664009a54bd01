#include "app/panels/InputGuard.hpp"

#include <algorithm>
#include <utility>

namespace kindora {

void InputGuard::restart(Clock::time_point now) {
    armedAt_ = now + armingDelay;
    // Whatever was held down belongs to what was on screen before.
    keysPressedWhileArmed_.clear();
    pointerPressedWhileArmed_ = false;
}

bool InputGuard::isArmed(Clock::time_point now) const {
    return now >= armedAt_;
}

std::chrono::milliseconds InputGuard::untilArmed(Clock::time_point now) const {
    return std::max(std::chrono::milliseconds::zero(),
                    std::chrono::ceil<std::chrono::milliseconds>(armedAt_ - now));
}

bool InputGuard::allowKeyPress(int key, bool autoRepeat, Clock::time_point now) {
    if (autoRepeat) {
        return false;  // a held key acts once, on its own first press, or never
    }
    if (!isArmed(now)) {
        keysPressedWhileArmed_.erase(key);
        return false;
    }
    keysPressedWhileArmed_.insert(key);
    return true;
}

bool InputGuard::allowKeyRelease(int key, bool autoRepeat) {
    if (autoRepeat) {
        return false;
    }
    // A release whose press the panel never saw (it began in another window) or refused.
    return keysPressedWhileArmed_.erase(key) > 0;
}

bool InputGuard::allowPointerPress(Clock::time_point now) {
    pointerPressedWhileArmed_ = isArmed(now);
    return pointerPressedWhileArmed_;
}

bool InputGuard::allowPointerRelease() {
    return std::exchange(pointerPressedWhileArmed_, false);
}

}  // namespace kindora
