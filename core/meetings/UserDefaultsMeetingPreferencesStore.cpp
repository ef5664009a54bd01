#include "core/meetings/UserDefaultsMeetingPreferencesStore.hpp"

namespace kindora {

UserDefaultsMeetingPreferencesStore::UserDefaultsMeetingPreferencesStore(Defaults& defaults)
    : defaults_(defaults) {}

MeetingPreferences UserDefaultsMeetingPreferencesStore::load() const {
    MeetingPreferences preferences;
    preferences.isDisruptEnabled = defaults_.boolValue(disruptEnabledKey).value_or(false);
    if (const auto text = defaults_.stringValue(leadTimeKey)) {
        preferences.leadTime = meetingLeadTimeFromStoredValue(*text).value_or(MeetingLeadTime::oneMinute);
    }
    preferences.isAutoJoinEnabled = defaults_.boolValue(autoJoinEnabledKey).value_or(false);
    preferences.isPresenceSuppressionEnabled =
        defaults_.boolValue(presenceSuppressionEnabledKey).value_or(false);
    return preferences;
}

void UserDefaultsMeetingPreferencesStore::save(const MeetingPreferences& preferences) {
    defaults_.setBool(disruptEnabledKey, preferences.isDisruptEnabled);
    defaults_.setString(leadTimeKey, storedValue(preferences.leadTime));
    defaults_.setBool(autoJoinEnabledKey, preferences.isAutoJoinEnabled);
    defaults_.setBool(presenceSuppressionEnabledKey, preferences.isPresenceSuppressionEnabled);
}

}  // namespace kindora
