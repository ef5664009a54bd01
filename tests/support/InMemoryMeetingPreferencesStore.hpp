#pragma once

#include "core/meetings/MeetingPreferencesStore.hpp"

namespace kindora {

// Meeting preferences held in memory, for tests and for running the logic without the platform.
class InMemoryMeetingPreferencesStore final : public MeetingPreferencesStore {
public:
    explicit InMemoryMeetingPreferencesStore(MeetingPreferences preferences = {});

    MeetingPreferences load() const override;
    void save(const MeetingPreferences& preferences) override;

    // How many times save() was called.
    int saveCount() const { return saveCount_; }

private:
    MeetingPreferences preferences_;
    int saveCount_ = 0;
};

}  // namespace kindora
