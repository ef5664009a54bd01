#pragma once

#include <QString>

#include <optional>
#include <string>

#include "core/common/Date.hpp"

namespace kindora::PanelTexts {

// The texts of the alert panel and the meeting takeover, in the person's language. Plain functions, so
// that the rules are tested as tables and the views only place the results.

// The label beside the urgency badge: "+2 more", "More alerts", "+2 more alerts"; nothing when no
// other group waits and the backend sent every open alert.
std::optional<QString> moreAlertsLabel(bool truncated, int moreCount);

// The heading of a group of alerts shown together: "5 alerts at once".
QString groupHeading(std::size_t groupSize);

// The line under the first three rows of a group: "2 more copies"; nothing for three or fewer.
std::optional<QString> moreCopies(std::size_t groupSize);

// When an alert was raised, in words: "now", "5 minutes ago", "yesterday", "in 2 hours", ...
QString relativeTime(Date date, Date now);

// The takeover's status line: "Starts in 1:31" before the start, "Started 0:00 ago" from it on.
QString meetingStatusLine(Date startsAt, Date now);

// Whether a meeting's join link may be handed to the desktop: a web address (http or https) with a host
// that every parser reads the same way. Anyone can send a calendar invite, so other schemes (file
// shares, custom handlers) are never opened from one.
bool isOpenableLink(const std::optional<std::string>& link);

// What may be logged of a link: its scheme and host only ("smb://files.example"), never the path or
// query, which can carry passcodes.
std::string linkForLog(const std::string& link);

}  // namespace kindora::PanelTexts
