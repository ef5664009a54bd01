#include "app/texts/PanelTexts.hpp"

#include <fmt/format.h>

#include <QUrl>

#include <array>
#include <cmath>

#include "app/texts/StatusTexts.hpp"
#include "core/common/UrlParts.hpp"

namespace kindora::PanelTexts {

std::optional<std::string> moreAlertsLabel(bool truncated, int moreCount) {
    if (moreCount <= 0) {
        return truncated ? std::optional<std::string>("More alerts") : std::nullopt;
    }
    return fmt::format("+{} more{}", moreCount, truncated ? " alerts" : "");
}

std::string groupHeading(std::size_t groupSize) {
    return fmt::format("{} alerts at once", groupSize);
}

std::optional<std::string> moreCopies(std::size_t groupSize) {
    constexpr std::size_t listed = 3;
    if (groupSize <= listed) {
        return std::nullopt;
    }
    return fmt::format("{} more copies", groupSize - listed);
}

std::string relativeTime(Date date, Date now) {
    struct Unit {
        double seconds;
        const char* name;
        const char* previous;  // the named form of one unit back, where there is one
        const char* next;
    };
    static constexpr std::array<Unit, 6> units{{
        {365.0 * 86400, "year", "last year", "next year"},
        {30.0 * 86400, "month", "last month", "next month"},
        {7.0 * 86400, "week", "last week", "next week"},
        {86400, "day", "yesterday", "tomorrow"},
        {3600, "hour", nullptr, nullptr},
        {60, "minute", nullptr, nullptr},
    }};
    const double interval = secondsBetween(now, date);  // negative in the past
    const double magnitude = std::fabs(interval);
    const bool past = interval < 0;
    for (const auto& unit : units) {
        if (magnitude < unit.seconds) {
            continue;
        }
        const auto count = static_cast<long long>(magnitude / unit.seconds);
        if (count == 1 && unit.previous) {
            return past ? unit.previous : unit.next;
        }
        const auto amount = fmt::format("{} {}{}", count, unit.name, count == 1 ? "" : "s");
        return past ? amount + " ago" : "in " + amount;
    }
    const auto seconds = static_cast<long long>(magnitude);
    if (seconds == 0) {
        return "now";
    }
    const auto amount = fmt::format("{} second{}", seconds, seconds == 1 ? "" : "s");
    return past ? amount + " ago" : "in " + amount;
}

std::string meetingStatusLine(Date startsAt, Date now) {
    const double interval = secondsBetween(now, startsAt);
    if (interval > 0) {
        return "Starts in " + StatusTexts::countdown(interval);
    }
    return "Started " + StatusTexts::countdown(-interval) + " ago";
}

bool isOpenableLink(const std::optional<std::string>& link) {
    if (!link) {
        return false;
    }
    const auto parts = splitUrl(*link);
    if (!parts || (parts->scheme != "http" && parts->scheme != "https")) {
        return false;
    }
    return QUrl(QString::fromStdString(*link), QUrl::StrictMode).isValid();
}

std::string linkForLog(const std::string& link) {
    const QUrl url(QString::fromStdString(link), QUrl::TolerantMode);
    const std::string scheme = url.scheme().toStdString();
    const std::string host = url.host().toStdString();
    if (scheme.empty()) {
        return "(not a link)";
    }
    return scheme + "://" + host;
}

}  // namespace kindora::PanelTexts
