#include "tests/support/InMemoryMeetingPreferencesStore.hpp"

namespace kindora {

InMemoryMeetingPreferencesStore::InMemoryMeetingPreferencesStore(MeetingPreferences preferences)
    : preferences_(preferences) {}

MeetingPreferences InMemoryMeetingPreferencesStore::load() const {
    return preferences_;
}

void InMemoryMeetingPreferencesStore::save(const MeetingPreferences& preferences) {
    preferences_ = preferences;
    ++saveCount_;
}

}  // namespace kindora
