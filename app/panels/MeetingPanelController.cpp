#include "app/panels/MeetingPanelController.hpp"

#include <fmt/format.h>

namespace kindora {

MeetingPanelController::MeetingPanelController(MeetingDisruptController& meetingController,
                                               InterruptController& interruptController,
                                               MeetingPanelContent& content, MeetingTakeoverSurface& panel,
                                               ScreenLayout& screens, AlertSound& sound)
    : meetingController_(meetingController),
      content_(content),
      panel_(panel),
      screens_(screens),
      sound_(sound),
      meetingSubscription_(meetingController_.observePresentedMeetings(
          [this](const std::vector<Meeting>&) { presentedMeetingChanged(); })),
      alertLink_(interruptController, meetingController) {
    presentedMeetingChanged();
    screens_.setOnChanged([this] { reapplyScreenFrame(); });
}

void MeetingPanelController::presentedMeetingChanged() {
    const auto meeting = meetingController_.presentedMeeting();
    if (!meeting) {
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

void MeetingPanelController::present(const Meeting&) {
    panelExists_ = true;
    const auto screens = screens_.frames();
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
    const auto screens = screens_.frames();
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
