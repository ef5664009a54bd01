#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/backend/MeetingRecords.hpp"
#include "core/common/Date.hpp"
#include "core/meetings/MeetingLeadTime.hpp"
#include "core/meetings/MeetingPreferences.hpp"

// The pure rules of the meeting takeover: when a meeting is in its takeover window and which meeting
// is taken over.
namespace kindora::MeetingDecision {

// How long after its start a meeting can still be taken over.
inline constexpr double justStartedWindow = 300;

// True from `leadTime` before the meeting's start until justStartedWindow after it (the end excluded).
// Only the start counts; the end time plays no part.
bool isRelevant(const Meeting& meeting, MeetingLeadTime leadTime, Date now);

// The meeting to take over now, when nothing is claimed: none while the takeover is switched off;
// else the relevant meeting not yet presented with the earliest start, ties going to the id that
// sorts first. Do-not-disturb and an alert on screen hold a takeover back in the controller, which
// keeps the meeting claimed until they end.
std::optional<Meeting> decide(const std::vector<Meeting>& meetings, const std::set<std::string>& presentedIDs,
                              const MeetingPreferences& preferences, Date now);

}  // namespace kindora::MeetingDecision
