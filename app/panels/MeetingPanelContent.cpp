#include "app/panels/MeetingPanelContent.hpp"

#include <QVariantMap>

#include "app/texts/PanelTexts.hpp"

namespace kindora {

MeetingPanelContent::MeetingPanelContent(MeetingDisruptController& controller, AutoJoinController* autoJoin,
                                         URLOpener openURL, std::function<Date()> now, QObject* parent)
    : QObject(parent),
      controller_(controller),
      autoJoin_(autoJoin),
      openURL_(std::move(openURL)),
      clock_(std::move(now)),
      now_(clock_()) {
    subscriptions_.push_back(controller_.observePresentedMeetings([this](const auto&) {
        noteLinkNotOffered();
        emit changed();
        emit ticked();
    }));
    // The switches decide whether auto-join is armed.
    subscriptions_.push_back(controller_.observePreferences([this](const auto&) { emit ticked(); }));
    timer_.setInterval(1000);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
        now_ = clock_();
        emit ticked();
    });
}

void MeetingPanelContent::noteLinkNotOffered() {
    const auto meeting = controller_.presentedMeeting();
    if (!meeting || !meeting->joinUrl || PanelTexts::isOpenableLink(meeting->joinUrl) ||
        linkNotedFor_ == meeting->id) {
        return;
    }
    linkNotedFor_ = meeting->id;
    logger_.info("Join not offered for meeting {}: its link is not a web address ({})", meeting->id,
                 PanelTexts::linkForLog(*meeting->joinUrl));
}

QVariantList MeetingPanelContent::meetings() const {
    QVariantList list;
    for (const auto& meeting : controller_.presentedMeetings()) {
        list.append(QVariantMap{{QStringLiteral("title"), QString::fromStdString(meeting.title)},
                                {QStringLiteral("label"), QString::fromStdString(meeting.calendarLabel)}});
    }
    return list;
}

QString MeetingPanelContent::calendarLabel() const {
    const auto meeting = controller_.presentedMeeting();
    return meeting ? QString::fromStdString(meeting->calendarLabel) : QString();
}

QString MeetingPanelContent::title() const {
    const auto meeting = controller_.presentedMeeting();
    return meeting ? QString::fromStdString(meeting->title) : QString();
}

QString MeetingPanelContent::statusLine() const {
    const auto meeting = controller_.presentedMeeting();
    return meeting ? PanelTexts::meetingStatusLine(meeting->startsAt, now_)
                   : QString();
}

bool MeetingPanelContent::joinShown() const {
    const auto meeting = controller_.presentedMeeting();
    return meeting && PanelTexts::isOpenableLink(meeting->joinUrl);
}

bool MeetingPanelContent::autoJoinWillOpen() const {
    const auto meeting = controller_.presentedMeeting();
    const auto& preferences = controller_.preferences();
    return meeting && preferences.isDisruptEnabled && preferences.isAutoJoinEnabled && autoJoin_ &&
           autoJoin_->isArmed(*meeting);
}

QString MeetingPanelContent::autoJoinCaption() const {
    return autoJoinWillOpen() ? tr(autoJoinCaptionText) : QString();
}

void MeetingPanelContent::start() {
    now_ = clock_();
    timer_.start();
    emit ticked();
}

void MeetingPanelContent::stop() {
    timer_.stop();
}

void MeetingPanelContent::suppressAutoJoinForAll(AutoJoinSuppression reason) {
    if (!autoJoin_) {
        return;
    }
    // A copy: suppressing re-evaluates auto-join, which may change what the takeover presents.
    const std::vector<Meeting> meetings = controller_.presentedMeetings();
    for (const auto& meeting : meetings) {
        autoJoin_->suppress(meeting, reason);
    }
}

void MeetingPanelContent::dismissTakeover() {
    // The meetings taken over together are one takeover (calendar copies of one call, or calls that
    // start together): leaving what the user did not click on screen would bring the takeover back
    // at once under another title.
    // The meeting shown goes last: while companions go, the one on screen stays the same, so the
    // takeover is not presented afresh (with its sound) for a companion on the way out.
    const std::vector<Meeting> meetings = controller_.presentedMeetings();
    for (auto meeting = meetings.rbegin(); meeting != meetings.rend(); ++meeting) {
        controller_.dismiss(*meeting);
    }
}

void MeetingPanelContent::join() {
    const auto meeting = controller_.presentedMeeting();
    if (!meeting || !PanelTexts::isOpenableLink(meeting->joinUrl)) {
        return;
    }
    if (openURL_) {
        openURL_(*meeting->joinUrl);
    }
    suppressAutoJoinForAll(AutoJoinSuppression::joinedManually);
    dismissTakeover();
    // Joined by hand: neither it nor a copy of it on another calendar takes the screen again.
    controller_.markJoined(meeting->id, meeting->startsAt);
}

void MeetingPanelContent::hide() {
    dismissTakeover();  // auto-join stays armed
}

void MeetingPanelContent::dontAutoJoin() {
    suppressAutoJoinForAll(AutoJoinSuppression::declined);
    dismissTakeover();
}

void MeetingPanelContent::dismiss() {
    dismissTakeover();
}

}  // namespace kindora
