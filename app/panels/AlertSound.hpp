#pragma once

namespace kindora {

// The sound that announces an alert or a meeting takeover. Playing never fails for the caller: a
// computer without a sound server simply stays quiet.
class AlertSound {
public:
    virtual ~AlertSound() = default;
    virtual void play() = 0;
};

}  // namespace kindora
