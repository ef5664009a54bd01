#pragma once

#include "core/meetings/MeetingPreferences.hpp"

namespace kindora {

// Where the meeting preferences persist. Loading never fails: anything unreadable reads as the default.
class MeetingPreferencesStore {
public:
    virtual ~MeetingPreferencesStore() = default;

    virtual MeetingPreferences load() const = 0;
    virtual void save(const MeetingPreferences& preferences) = 0;
};

}  // namespace kindora
