#include "core/meetings/MeetingLeadTime.hpp"

namespace kindora {

double seconds(MeetingLeadTime leadTime) {
    switch (leadTime) {
        case MeetingLeadTime::fifteenMinutes:
            return 900;
        case MeetingLeadTime::fiveMinutes:
            return 300;
        case MeetingLeadTime::oneMinute:
            return 60;
        case MeetingLeadTime::atStart:
            return 0;
    }
    return 60;
}

Phrase label(MeetingLeadTime leadTime) {
    switch (leadTime) {
        case MeetingLeadTime::fifteenMinutes:
            return KINDORA_PHRASE("MeetingLeadTime", "15 minutes");
        case MeetingLeadTime::fiveMinutes:
            return KINDORA_PHRASE("MeetingLeadTime", "5 minutes");
        case MeetingLeadTime::oneMinute:
            break;
        case MeetingLeadTime::atStart:
            return KINDORA_PHRASE("MeetingLeadTime", "At start");
    }
    return KINDORA_PHRASE("MeetingLeadTime", "1 minute");
}

std::string_view storedValue(MeetingLeadTime leadTime) {
    switch (leadTime) {
        case MeetingLeadTime::fifteenMinutes:
            return "fifteenMinutes";
        case MeetingLeadTime::fiveMinutes:
            return "fiveMinutes";
        case MeetingLeadTime::oneMinute:
            return "oneMinute";
        case MeetingLeadTime::atStart:
            return "atStart";
    }
    return "oneMinute";
}

std::optional<MeetingLeadTime> meetingLeadTimeFromStoredValue(std::string_view text) {
    for (const auto leadTime : allMeetingLeadTimes) {
        if (storedValue(leadTime) == text) {
            return leadTime;
        }
    }
    return std::nullopt;
}

}  // namespace kindora
