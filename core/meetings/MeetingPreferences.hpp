#pragma once

#include "core/meetings/MeetingLeadTime.hpp"

namespace kindora {

// The user's four meeting choices: whether meetings take over the screen and how early, whether the
// join link opens by itself at start, and whether that is skipped while the user seems to be in a call.
struct MeetingPreferences {
    bool isDisruptEnabled = false;
    MeetingLeadTime leadTime = MeetingLeadTime::oneMinute;
    bool isAutoJoinEnabled = false;
    bool isPresenceSuppressionEnabled = false;

    friend bool operator==(const MeetingPreferences&, const MeetingPreferences&) = default;
};

}  // namespace kindora
