#include "app/viewmodels/MeetingSettingsViewModel.hpp"

#include <algorithm>

#include "app/texts/TranslatedText.hpp"

namespace kindora {

MeetingSettingsViewModel::MeetingSettingsViewModel(MeetingDisruptController& meetings, LoginItemService& loginItems,
                                                   QObject* parent)
    : QObject(parent),
      meetings_(meetings),
      launchAtLogin_(loginItems),
      subscription_(meetings_.observePreferences([this](const auto&) { emit changed(); })) {}

void MeetingSettingsViewModel::update(const std::function<void(MeetingPreferences&)>& change) {
    MeetingPreferences preferences = meetings_.preferences();
    change(preferences);
    meetings_.setPreferences(preferences);
}

void MeetingSettingsViewModel::setDisruptEnabled(bool on) {
    update([on](MeetingPreferences& p) { p.isDisruptEnabled = on; });
}

int MeetingSettingsViewModel::leadTimeIndex() const {
    const auto found =
        std::find(allMeetingLeadTimes.begin(), allMeetingLeadTimes.end(), preferences().leadTime);
    return static_cast<int>(found - allMeetingLeadTimes.begin());
}

void MeetingSettingsViewModel::setLeadTimeIndex(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= allMeetingLeadTimes.size()) {
        return;
    }
    update([index](MeetingPreferences& p) {
        p.leadTime = allMeetingLeadTimes[static_cast<std::size_t>(index)];
    });
}

QStringList MeetingSettingsViewModel::leadTimeLabels() const {
    QStringList labels;
    for (const auto leadTime : allMeetingLeadTimes) {
        labels.append(translated(label(leadTime)));
    }
    return labels;
}

void MeetingSettingsViewModel::setAutoJoinEnabled(bool on) {
    update([on](MeetingPreferences& p) { p.isAutoJoinEnabled = on; });
}

void MeetingSettingsViewModel::setPresenceSuppressionEnabled(bool on) {
    update([on](MeetingPreferences& p) { p.isPresenceSuppressionEnabled = on; });
}

QString MeetingSettingsViewModel::launchAtLoginError() const {
    const auto& error = launchAtLogin_.error();
    return error ? QString::fromStdString(*error) : QString();
}

void MeetingSettingsViewModel::setLaunchAtLogin(bool on) {
    launchAtLogin_.userSet(on);
    emit launchAtLoginChanged();
}

void MeetingSettingsViewModel::reload() {
    launchAtLogin_.reload();
    emit launchAtLoginChanged();
}

}  // namespace kindora
