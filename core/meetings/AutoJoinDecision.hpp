#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/backend/MeetingRecords.hpp"
#include "core/common/Date.hpp"
#include "core/meetings/MeetingPreferences.hpp"

// The pure rules of auto-join: which links may be opened, which meetings are eligible, which one to
// open now and when to look again.
namespace kindora::AutoJoinDecision {

// A meeting may be joined from its start until this many seconds after it (the end excluded).
inline constexpr double missedWindowGrace = 120;
// While the user seems to be in a call, a joinable meeting is looked at again this often.
inline constexpr double presenceRecheckInterval = 15;

// The meeting's link when it may be opened: an https URL whose host belongs to the meeting's provider
// (Google Meet, Zoom and its subdomains, Microsoft Teams for work or home, subdomains of Webex).
// Meetings of other providers, and anything that is not a plain well-formed URL, give nothing.
std::optional<std::string> usableJoinURL(const Meeting& meeting);

// Takeover and auto-join are both switched on.
bool gatesOpen(const MeetingPreferences& preferences);

// now < start + missedWindowGrace: the meeting may still be joined, now or once it starts.
bool hasGraceLeft(const Meeting& meeting, Date now);

// start ≤ now < start + missedWindowGrace.
bool isWithinGrace(const Meeting& meeting, Date now);

// Usable link, not in `joinedIDs`, and the one meeting of its start time that may open. Calendar copies
// of one meeting share a start; of those with a usable link the one already joined (if any) stands for
// them all, else the one whose id sorts first, so that a second copy never opens a second window.
bool isEligible(const Meeting& meeting, const std::vector<Meeting>& meetings,
                const std::set<std::string>& joinedIDs);
std::vector<Meeting> eligibleMeetings(const std::vector<Meeting>& meetings,
                                      const std::set<std::string>& joinedIDs);

// The eligible meeting to open now: none unless takeover and auto-join are both on, none while the user
// seems to be in a call; else the earliest start within its grace, ties to the smaller id.
std::optional<Meeting> meetingToJoinNow(const std::vector<Meeting>& meetings,
                                        const std::set<std::string>& joinedIDs,
                                        const MeetingPreferences& preferences, bool isAlreadyInMeeting,
                                        Date now);

// The earliest start later than now among eligible meetings; none when the preferences are off.
std::optional<Date> nextBoundary(const std::vector<Meeting>& meetings, const std::set<std::string>& joinedIDs,
                                 const MeetingPreferences& preferences, Date now);

// For eligible meetings within their grace: the earlier of now + presenceRecheckInterval and the end of
// the grace; the earliest of these.
std::optional<Date> presenceRecheckBoundary(const std::vector<Meeting>& meetings,
                                            const std::set<std::string>& joinedIDs, Date now);

// Why a meeting whose start has passed is not being opened, the first that applies of
// "grouped-duplicate", "gate-off", "already-joined", "missed-window", "invalid-join-url"; nothing when
// it could still be opened.
std::optional<std::string_view> skipReason(const Meeting& meeting, const std::vector<Meeting>& meetings,
                                           const std::set<std::string>& joinedIDs,
                                           const MeetingPreferences& preferences, Date now);

}  // namespace kindora::AutoJoinDecision
