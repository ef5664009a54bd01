#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "core/common/Phrase.hpp"

namespace kindora {

// How long before a meeting's start its takeover shows. Stored in the settings by its case name.
enum class MeetingLeadTime { fifteenMinutes, fiveMinutes, oneMinute, atStart };

// Every lead time, in the order the picker lists them.
inline constexpr std::array<MeetingLeadTime, 4> allMeetingLeadTimes{
    MeetingLeadTime::fifteenMinutes, MeetingLeadTime::fiveMinutes, MeetingLeadTime::oneMinute,
    MeetingLeadTime::atStart};

double seconds(MeetingLeadTime leadTime);
// The menu's text: "15 minutes", "5 minutes", "1 minute", "At start".
Phrase label(MeetingLeadTime leadTime);
// The persisted text: the case name ("fifteenMinutes", ...).
std::string_view storedValue(MeetingLeadTime leadTime);
// The lead time with that persisted text, or nothing for any other text.
std::optional<MeetingLeadTime> meetingLeadTimeFromStoredValue(std::string_view text);

}  // namespace kindora
