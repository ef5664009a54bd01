#include "core/meetings/MeetingDecision.hpp"

namespace kindora::MeetingDecision {

bool isRelevant(const Meeting& meeting, MeetingLeadTime leadTime, Date now) {
    const Date opens = meeting.startsAt + Seconds(-seconds(leadTime));
    const Date closes = meeting.startsAt + Seconds(justStartedWindow);
    return opens <= now && now < closes;
}

std::optional<Meeting> decide(const std::vector<Meeting>& meetings, const std::set<std::string>& presentedIDs,
                              const MeetingPreferences& preferences, Date now) {
    if (!preferences.isDisruptEnabled) {
        return std::nullopt;
    }
    const Meeting* chosen = nullptr;
    for (const auto& meeting : meetings) {
        if (presentedIDs.contains(meeting.id) || !isRelevant(meeting, preferences.leadTime, now)) {
            continue;
        }
        if (chosen == nullptr || meeting.startsAt < chosen->startsAt ||
            (meeting.startsAt == chosen->startsAt && meeting.id < chosen->id)) {
            chosen = &meeting;
        }
    }
    if (chosen == nullptr) {
        return std::nullopt;
    }
    return *chosen;
}

}  // namespace kindora::MeetingDecision
