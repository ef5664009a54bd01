#include "core/meetings/AutoJoinDecision.hpp"

#include <algorithm>

#include "core/common/UrlParts.hpp"

namespace kindora::AutoJoinDecision {
namespace {

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool isProviderHost(MeetingProvider provider, std::string_view host) {
    switch (provider) {
        case MeetingProvider::meet:
            return host == "meet.google.com";
        case MeetingProvider::zoom:
            return host == "zoom.us" || endsWith(host, ".zoom.us");
        case MeetingProvider::teams:
            return host == "teams.microsoft.com" || host == "teams.live.com";
        case MeetingProvider::webex:
            return endsWith(host, ".webex.com");
        case MeetingProvider::other:
            return false;
    }
    return false;
}

// The meeting standing for all meetings with a usable link that start with `meeting`.
const Meeting* groupRepresentative(const Meeting& meeting, const std::vector<Meeting>& meetings,
                                   const std::set<std::string>& joinedIDs) {
    const Meeting* representative = nullptr;
    bool representativeJoined = false;
    for (const auto& other : meetings) {
        if (other.startsAt != meeting.startsAt || !usableJoinURL(other)) {
            continue;
        }
        const bool joined = joinedIDs.contains(other.id);
        if (representative == nullptr || (joined && !representativeJoined) ||
            (joined == representativeJoined && other.id < representative->id)) {
            representative = &other;
            representativeJoined = joined;
        }
    }
    return representative;
}

bool isGroupedDuplicate(const Meeting& meeting, const std::vector<Meeting>& meetings,
                        const std::set<std::string>& joinedIDs) {
    if (!usableJoinURL(meeting)) {
        return false;
    }
    const Meeting* representative = groupRepresentative(meeting, meetings, joinedIDs);
    return representative != nullptr && representative->id != meeting.id;
}

}  // namespace

std::optional<std::string> usableJoinURL(const Meeting& meeting) {
    if (!meeting.joinUrl) {
        return std::nullopt;
    }
    // Only what every browser reads the same way: see splitUrl.
    const auto parsed = splitUrl(*meeting.joinUrl);
    if (!parsed || parsed->scheme != "https" || !isProviderHost(meeting.provider, parsed->hostName())) {
        return std::nullopt;
    }
    return *meeting.joinUrl;
}

bool gatesOpen(const MeetingPreferences& preferences) {
    return preferences.isDisruptEnabled && preferences.isAutoJoinEnabled;
}

bool hasGraceLeft(const Meeting& meeting, Date now) {
    return now < meeting.startsAt + Seconds(missedWindowGrace);
}

bool isWithinGrace(const Meeting& meeting, Date now) {
    return meeting.startsAt <= now && hasGraceLeft(meeting, now);
}

bool isEligible(const Meeting& meeting, const std::vector<Meeting>& meetings,
                const std::set<std::string>& joinedIDs) {
    if (joinedIDs.contains(meeting.id) || !usableJoinURL(meeting)) {
        return false;
    }
    const Meeting* representative = groupRepresentative(meeting, meetings, joinedIDs);
    return representative == nullptr || representative->id == meeting.id;
}

std::vector<Meeting> eligibleMeetings(const std::vector<Meeting>& meetings,
                                      const std::set<std::string>& joinedIDs) {
    std::vector<Meeting> eligible;
    for (const auto& meeting : meetings) {
        if (isEligible(meeting, meetings, joinedIDs)) {
            eligible.push_back(meeting);
        }
    }
    return eligible;
}

std::optional<Meeting> meetingToJoinNow(const std::vector<Meeting>& meetings,
                                        const std::set<std::string>& joinedIDs,
                                        const MeetingPreferences& preferences, bool isAlreadyInMeeting,
                                        Date now) {
    if (!gatesOpen(preferences) || isAlreadyInMeeting) {
        return std::nullopt;
    }
    std::optional<Meeting> chosen;
    for (const auto& meeting : eligibleMeetings(meetings, joinedIDs)) {
        if (!isWithinGrace(meeting, now)) {
            continue;
        }
        if (!chosen || meeting.startsAt < chosen->startsAt ||
            (meeting.startsAt == chosen->startsAt && meeting.id < chosen->id)) {
            chosen = meeting;
        }
    }
    return chosen;
}

std::optional<Date> nextBoundary(const std::vector<Meeting>& meetings, const std::set<std::string>& joinedIDs,
                                 const MeetingPreferences& preferences, Date now) {
    if (!gatesOpen(preferences)) {
        return std::nullopt;
    }
    std::optional<Date> next;
    for (const auto& meeting : eligibleMeetings(meetings, joinedIDs)) {
        if (meeting.startsAt > now && (!next || meeting.startsAt < *next)) {
            next = meeting.startsAt;
        }
    }
    return next;
}

std::optional<Date> presenceRecheckBoundary(const std::vector<Meeting>& meetings,
                                            const std::set<std::string>& joinedIDs, Date now) {
    std::optional<Date> next;
    for (const auto& meeting : eligibleMeetings(meetings, joinedIDs)) {
        if (!isWithinGrace(meeting, now)) {
            continue;
        }
        const Date boundary =
            std::min(now + Seconds(presenceRecheckInterval), meeting.startsAt + Seconds(missedWindowGrace));
        if (!next || boundary < *next) {
            next = boundary;
        }
    }
    return next;
}

std::optional<std::string_view> skipReason(const Meeting& meeting, const std::vector<Meeting>& meetings,
                                           const std::set<std::string>& joinedIDs,
                                           const MeetingPreferences& preferences, Date now) {
    if (isGroupedDuplicate(meeting, meetings, joinedIDs)) {
        return "grouped-duplicate";
    }
    if (!gatesOpen(preferences)) {
        return "gate-off";
    }
    if (joinedIDs.contains(meeting.id)) {
        return "already-joined";
    }
    if (!hasGraceLeft(meeting, now)) {
        return "missed-window";
    }
    if (!usableJoinURL(meeting)) {
        return "invalid-join-url";
    }
    return std::nullopt;
}

}  // namespace kindora::AutoJoinDecision
