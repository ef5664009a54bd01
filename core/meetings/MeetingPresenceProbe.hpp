#pragma once

#include <functional>
#include <utility>

namespace kindora {

// A guess whether the user is already in a call (the default microphone is in use and a meeting app or
// a browser runs). Only used to hold back an automatic join, never a takeover. The platform supplies the
// function; a probe without one answers false, as does a platform error.
class MeetingPresenceProbe {
public:
    using Function = std::function<bool()>;

    explicit MeetingPresenceProbe(Function isLikelyInMeeting)
        : isLikelyInMeeting_(std::move(isLikelyInMeeting)) {}

    bool isLikelyInMeeting() const { return isLikelyInMeeting_ ? isLikelyInMeeting_() : false; }

private:
    Function isLikelyInMeeting_;
};

}  // namespace kindora
