#pragma once

#include <string_view>

#include "core/common/Defaults.hpp"
#include "core/meetings/MeetingPreferencesStore.hpp"

namespace kindora {

// The meeting preferences in the user's settings, one key per field.
class UserDefaultsMeetingPreferencesStore final : public MeetingPreferencesStore {
public:
    static constexpr std::string_view disruptEnabledKey = "com.quillmere.kindora.meetingDisrupt.enabled";
    static constexpr std::string_view leadTimeKey = "com.quillmere.kindora.meetingDisrupt.leadTime";
    static constexpr std::string_view autoJoinEnabledKey =
        "com.quillmere.kindora.meetingDisrupt.autoJoinEnabled";
    static constexpr std::string_view presenceSuppressionEnabledKey =
        "com.quillmere.kindora.meetingDisrupt.presenceSuppressionEnabled";

    explicit UserDefaultsMeetingPreferencesStore(Defaults& defaults);

    // Missing flags read as false; a missing or unknown lead time reads as one minute.
    MeetingPreferences load() const override;
    // Writes all four keys.
    void save(const MeetingPreferences& preferences) override;

private:
    Defaults& defaults_;
};

}  // namespace kindora
