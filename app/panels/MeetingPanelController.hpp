#pragma once

#include <QRect>

#include <optional>
#include <string>
#include <vector>

#include "app/panels/AlertSound.hpp"
#include "app/panels/MeetingPanelContent.hpp"
#include "app/panels/PanelSurfaces.hpp"
#include "app/panels/ScreenLayout.hpp"
#include "core/agent/AlertTakeoverLink.hpp"
#include "core/common/Log.hpp"
#include "core/common/Observable.hpp"
#include "core/interrupts/InterruptController.hpp"
#include "core/meetings/MeetingDisruptController.hpp"

namespace kindora {

// Covers every screen when the meeting disrupt controller presents a meeting: the full takeover on the
// screen the person works on, a cover with the title and the countdown on each other one. The same
// meeting republished (after a poll) is left alone; another meeting is presented afresh, with the
// sound. The covers follow the screens as they are added, removed, resized or change roles; the full
// takeover stays on its screen while that screen is there. While the session is locked nothing is
// shown; a meeting still presented when it unlocks is presented then. It is also the one that tells
// the meeting disrupt controller whether an alert is on screen, so that a takeover never competes
// with a household alert. Main thread only; lives as long as the front end.
class MeetingPanelController {
public:
    MeetingPanelController(MeetingDisruptController& meetingController,
                           InterruptController& interruptController, MeetingPanelContent& content,
                           MeetingTakeoverSurface& panel, ScreenLayout& screens, AlertSound& sound,
                           const Observable<bool>& sessionLocked);
    MeetingPanelController(const MeetingPanelController&) = delete;
    MeetingPanelController& operator=(const MeetingPanelController&) = delete;

    const std::optional<std::string>& presentedID() const { return presentedID_; }

    void present(const Meeting& meeting);
    void dismiss();
    void reapplyScreenFrame();

    // "{{x, y}, {width, height}}", screens joined by " + "; "none" for no screen.
    static std::string frameText(const std::vector<QRect>& frames);

private:
    void presentedMeetingChanged();
    // Every screen, the one for the full content first.
    std::vector<QRect> screensForContent();

    MeetingDisruptController& meetingController_;
    MeetingPanelContent& content_;
    MeetingTakeoverSurface& panel_;
    ScreenLayout& screens_;
    AlertSound& sound_;
    const Observable<bool>& sessionLocked_;
    const Log logger_{"MeetingPanel"};
    std::optional<std::string> presentedID_;
    std::optional<QRect> contentScreen_;
    bool panelExists_ = false;
    Subscription meetingSubscription_;
    Subscription lockSubscription_;
    AlertTakeoverLink alertLink_;
};

}  // namespace kindora
