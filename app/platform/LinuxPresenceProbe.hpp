#pragma once

#include <functional>
#include <string_view>
#include <vector>

namespace kindora::LinuxPresenceProbe {

// The program file names of the meeting apps (Zoom, Teams, Webex) and the browsers web meetings run
// in, as they are installed on Linux.
const std::vector<std::string_view>& meetingProgramNames();

// The guess whether the user is in a call: the default microphone is recording and one of the
// programs above runs. The process list is read only while the microphone is live.
bool isLikelyInMeeting();

// The same rule over given sources, so that each half can be a real or a chosen one.
bool isLikelyInMeeting(const std::function<bool()>& microphoneIsLive,
                       const std::function<std::vector<std::string>()>& runningPrograms);

}  // namespace kindora::LinuxPresenceProbe
