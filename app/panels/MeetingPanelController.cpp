#include "app/panels/MeetingPanelController.hpp"

#include <fmt/format.h>

#include <algorithm>

namespace kindora {

MeetingPanelController::MeetingPanelController(MeetingDisruptController& meetingController,
                                               InterruptController& interruptController,
                                               MeetingPanelContent& content, MeetingTakeoverSurface& panel,
                                               ScreenLayout& screens, AlertSound& sound,
                                               const Observable<bool>& sessionLocked)
    : meetingController_(meetingController),
      content_(content),
      panel_(panel),
      screens_(screens),
      sound_(sound),
      sessionLocked_(sessionLocked),
      meetingSubscription_(meetingController_.observePresentedMeetings(
          [this](const std::vector<Meeting>&) { presentedMeetingChanged(); })),
      lockSubscription_(sessionLocked_.observe([this](bool) { presentedMeetingChanged(); })),
      alertLink_(interruptController, meetingController) {
    presentedMeetingChanged();
    screens_.setOnChanged([this] { reapplyScreenFrame(); });
}

void MeetingPanelController::presentedMeetingChanged() {
    const auto meeting = meetingController_.presentedMeeting();
    if (!meeting || sessionLocked_.value() || !panel_.canShow()) {
        // Off screen: a meeting still presented once it can be shown is presented afresh then.
        presentedID_.reset();
        dismiss();
        return;
    }
    if (presentedID_ == meeting->id) {
        return;  // this meeting's takeover is on screen already
    }
    presentedID_ = meeting->id;
    present(*meeting);
}

std::vector<QRect> MeetingPanelController::screensForContent() {
    auto screens = screens_.frames();
    if (screens.empty()) {
        return screens;
    }
    if (!contentScreen_) {
        // A new takeover goes where the person works (when that is one of the screens).
        const auto working = screens_.workingScreen();
        const bool known = working && std::find(screens.begin(), screens.end(), *working) != screens.end();
        contentScreen_ = known ? *working : screens.front();
    } else if (std::find(screens.begin(), screens.end(), *contentScreen_) == screens.end()) {
        // Its screen changed (resized, rearranged, unplugged): it stays on the one that covers most of
        // where it was, else the primary.
        const auto overlap = [this](const QRect& screen) {
            const QRect common = screen.intersected(*contentScreen_);
            return static_cast<long long>(common.width()) * common.height();
        };
        const auto most = std::max_element(screens.begin(), screens.end(), [&](const QRect& a, const QRect& b) {
            return overlap(a) < overlap(b);
        });
        contentScreen_ = overlap(*most) > 0 ? *most : screens.front();
    }
    std::stable_partition(screens.begin(), screens.end(),
                          [this](const QRect& screen) { return screen == *contentScreen_; });
    return screens;
}

void MeetingPanelController::present(const Meeting&) {
    panelExists_ = true;
    contentScreen_.reset();  // a new takeover goes where the person works now
    const auto screens = screensForContent();
    if (!screens.empty()) {
        panel_.cover(screens);
    }
    content_.start();
    panel_.show();
    sound_.play();
    logger_.info("present: id={} frame={} screen={}", presentedID_.value_or("nil"),
                 frameText(panel_.frames()),
                 frameText(screens.empty() ? screens : std::vector<QRect>{screens.front()}));
}

void MeetingPanelController::dismiss() {
    if (!panelExists_ || !panel_.isShown()) {
        return;
    }
    logger_.info("dismiss");
    panel_.hide();
    content_.stop();
}

void MeetingPanelController::reapplyScreenFrame() {
    if (!panelExists_ || !meetingController_.presentedMeeting()) {
        return;
    }
    const auto before = panel_.frames();
    const auto screens = screensForContent();
    if (!screens.empty()) {
        panel_.cover(screens);
    }
    logger_.info("reapplyScreenFrame: {} -> {}", frameText(before), frameText(panel_.frames()));
}

std::string MeetingPanelController::frameText(const std::vector<QRect>& frames) {
    if (frames.empty()) {
        return "none";
    }
    std::string text;
    for (const auto& frame : frames) {
        text += fmt::format("{}{{{{{}, {}}}, {{{}, {}}}}}", text.empty() ? "" : " + ", frame.x(), frame.y(),
                            frame.width(), frame.height());
    }
    return text;
}

}  // namespace kindora
