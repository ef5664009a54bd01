#include "app/platform/LinuxPresenceProbe.hpp"

#include <algorithm>
#include <string>

#include "app/platform/PulseMicrophone.hpp"
#include "app/platform/UserProcesses.hpp"

namespace kindora::LinuxPresenceProbe {

const std::vector<std::string_view>& meetingProgramNames() {
    static const std::vector<std::string_view> names{
        // Meeting apps.
        "zoom", "ZoomLauncher", "teams", "teams-for-linux", "CiscoCollabHost", "webex",
        // Browsers.
        "chrome", "google-chrome", "chromium", "chromium-browser", "firefox", "firefox-esr", "firefox-bin",
        "msedge", "microsoft-edge", "brave", "brave-browser", "vivaldi-bin", "opera"};
    return names;
}

bool isLikelyInMeeting(const std::function<bool()>& microphoneIsLive,
                       const std::function<std::vector<std::string>()>& runningPrograms) {
    if (!microphoneIsLive()) {
        return false;
    }
    const auto programs = runningPrograms();
    const auto& meetingPrograms = meetingProgramNames();
    return std::any_of(programs.begin(), programs.end(), [&](const std::string& program) {
        return std::find(meetingPrograms.begin(), meetingPrograms.end(), program) != meetingPrograms.end();
    });
}

bool isLikelyInMeeting() {
    return isLikelyInMeeting([] { return PulseMicrophone::isDefaultSourceRunning(); },
                             [] { return UserProcesses::programNames(); });
}

}  // namespace kindora::LinuxPresenceProbe
