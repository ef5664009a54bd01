#include "tools/devserver/StatusPage.hpp"

#include <algorithm>

#include "core/common/JsonDate.hpp"

namespace kindora::devserver::StatusPage {
namespace {

std::string cell(std::string_view text) {
    return "<td>" + escapeHtml(text) + "</td>";
}

std::string row(std::initializer_list<std::string_view> cells) {
    std::string html = "<tr>";
    for (std::string_view text : cells) {
        html += cell(text);
    }
    return html + "</tr>\n";
}

std::string header(std::initializer_list<std::string_view> names) {
    std::string html = "<tr>";
    for (std::string_view name : names) {
        html += "<th>" + escapeHtml(name) + "</th>";
    }
    return html + "</tr>\n";
}

std::string optionalDate(const std::optional<Date>& date) {
    return date ? JsonDate::encode(*date) : "";
}

// Message text is shown cut short: enough to recognise it, without filling the page.
std::string preview(const std::optional<std::string>& text) {
    if (!text) {
        return "(no text)";
    }
    constexpr std::size_t limit = 80;
    if (text->size() <= limit) {
        return *text;
    }
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>((*text)[cut]) & 0xC0) == 0x80) {
        --cut;  // never split a UTF-8 sequence
    }
    return text->substr(0, cut) + "…";
}

}  // namespace

std::string escapeHtml(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&#39;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string render(const HouseholdSnapshot& snapshot, Date now) {
    std::string html =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
        "<meta http-equiv=\"refresh\" content=\"" +
        std::to_string(refreshSeconds) +
        "\"><title>Kindora devserver</title>"
        "<style>body{font-family:sans-serif;margin:2em}table{border-collapse:collapse;margin-bottom:2em}"
        "td,th{border:1px solid #ccc;padding:4px 8px;text-align:left}th{background:#f0f0f0}</style>"
        "</head><body>\n<h1>Kindora devserver</h1>\n<p>" +
        escapeHtml(JsonDate::encode(now)) + "</p>\n";

    html += "<h2>Devices</h2>\n<table>\n" + header({"Name", "State", "Code", "Last seen", "Cursor", "Id"});
    for (const Device& device : snapshot.devices) {
        html += row({device.name, toString(device.state), device.code, optionalDate(device.lastSeenAt),
                     device.cursor.value_or(""), device.id});
    }
    html += "</table>\n";

    html += "<h2>Last messages</h2>\n<table>\n" +
            header({"Received", "From", "Chat", "Service", "Text", "Outcome", "Read"});
    const std::size_t count = std::min(snapshot.messages.size(), recentMessageCount);
    for (auto it = snapshot.messages.rbegin(); it != snapshot.messages.rbegin() + static_cast<long>(count);
         ++it) {
        const IngestMessage& message = it->message;
        html += row({JsonDate::encode(it->receivedAt), message.senderHandle, message.chatName.value_or(""),
                     toWire(message.service), preview(message.text), toWire(it->outcome),
                     it->readAt ? "read" : "unread"});
    }
    html += "</table>\n";

    html += "<h2>Open alerts</h2>\n<table>\n" +
            header({"Raised", "Urgency", "Title", "Body", "Group", "Must resolve", "Id"});
    for (const StoredAlert& alert : snapshot.alerts) {
        if (alert.state != AlertState::open) {
            continue;
        }
        const Interrupt& interrupt = alert.interrupt;
        html += row({JsonDate::encode(interrupt.raisedAt), toWire(interrupt.urgency), interrupt.title,
                     interrupt.body, interrupt.groupKey.value_or(""),
                     interrupt.requiresResolution ? "yes" : "no", interrupt.id.text()});
    }
    html += "</table>\n";

    html +=
        "<h2>Upcoming meetings</h2>\n<table>\n" + header({"Starts", "Title", "Provider", "Join", "Calendar"});
    std::vector<Meeting> meetings = snapshot.meetings;
    std::stable_sort(meetings.begin(), meetings.end(),
                     [](const Meeting& a, const Meeting& b) { return a.startsAt < b.startsAt; });
    for (const Meeting& meeting : meetings) {
        if (meeting.endsAt.value_or(meeting.startsAt + Seconds(3600)) < now) {
            continue;
        }
        html += row({JsonDate::encode(meeting.startsAt), meeting.title, toWire(meeting.provider),
                     meeting.joinUrl.value_or(""), meeting.calendarLabel});
    }
    html += "</table>\n</body></html>\n";
    return html;
}

}  // namespace kindora::devserver::StatusPage
