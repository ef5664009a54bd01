#include "core/meetings/AutoJoinDecision.hpp"

#include <algorithm>
#include <cctype>

namespace kindora::AutoJoinDecision {
namespace {

std::string lowercased(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

bool isASCIIAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isASCIIDigit(char c) {
    return c >= '0' && c <= '9';
}

// Scheme and lower-cased host of an absolute URL with an authority ("scheme://[user@]host[:port]...").
// Refuses what browsers would read differently from a plain parser: spaces and control characters,
// backslashes (read as "/" by browsers), and hosts with anything but letters, digits, "-" and ".".
struct SchemeAndHost {
    std::string scheme;
    std::string host;
};

std::optional<SchemeAndHost> parse(std::string_view url) {
    for (const char c : url) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7f || c == '\\') {
            return std::nullopt;
        }
    }
    const auto colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0 || !isASCIIAlpha(url[0])) {
        return std::nullopt;
    }
    const auto scheme = url.substr(0, colon);
    if (!std::all_of(scheme.begin(), scheme.end(), [](char c) {
            return isASCIIAlpha(c) || isASCIIDigit(c) || c == '+' || c == '-' || c == '.';
        })) {
        return std::nullopt;
    }
    auto rest = url.substr(colon + 1);
    if (rest.substr(0, 2) != "//") {
        return std::nullopt;
    }
    rest.remove_prefix(2);
    auto authority = rest.substr(0, rest.find_first_of("/?#"));
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    auto host = authority;
    if (const auto portColon = authority.rfind(':'); portColon != std::string_view::npos) {
        const auto port = authority.substr(portColon + 1);
        if (!std::all_of(port.begin(), port.end(), isASCIIDigit) || port.size() > 5) {
            return std::nullopt;
        }
        host = authority.substr(0, portColon);
    }
    if (host.empty() || !std::all_of(host.begin(), host.end(), [](char c) {
            return isASCIIAlpha(c) || isASCIIDigit(c) || c == '-' || c == '.';
        })) {
        return std::nullopt;
    }
    return SchemeAndHost{lowercased(scheme), lowercased(host)};
}

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
    const auto parsed = parse(*meeting.joinUrl);
    if (!parsed || parsed->scheme != "https" || !isProviderHost(meeting.provider, parsed->host)) {
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
