#include "app/texts/PanelTexts.hpp"

#include <QCoreApplication>
#include <QUrl>

#include <array>
#include <cmath>
#include <utility>

#include "app/texts/StatusTexts.hpp"
#include "core/common/UrlParts.hpp"

namespace kindora::PanelTexts {

std::optional<QString> moreAlertsLabel(bool truncated, int moreCount) {
    if (moreCount <= 0) {
        return truncated ? std::optional<QString>(QCoreApplication::translate("PanelTexts", "More alerts"))
                         : std::nullopt;
    }
    return truncated ? QCoreApplication::translate("PanelTexts", "+%n more alerts", nullptr, moreCount)
                     : QCoreApplication::translate("PanelTexts", "+%n more", nullptr, moreCount);
}

QString groupHeading(std::size_t groupSize) {
    const auto count = static_cast<int>(groupSize);
    return QCoreApplication::translate("PanelTexts", "%n alerts at once", nullptr, count);
}

std::optional<QString> moreCopies(std::size_t groupSize) {
    constexpr std::size_t listed = 3;
    if (groupSize <= listed) {
        return std::nullopt;
    }
    const auto unlisted = static_cast<int>(groupSize - listed);
    return QCoreApplication::translate("PanelTexts", "%n more copies", nullptr, unlisted);
}

namespace {

enum class Unit { year, month, week, day, hour, minute, second };

// One count of a unit of time, before or after now. Each is a sentence of its own, so that a
// language orders the words and bends them for the count as it must.
QString unitsAgo(Unit unit, int count) {
    switch (unit) {
        case Unit::year:
            return QCoreApplication::translate("PanelTexts", "%n year(s) ago", nullptr, count);
        case Unit::month:
            return QCoreApplication::translate("PanelTexts", "%n month(s) ago", nullptr, count);
        case Unit::week:
            return QCoreApplication::translate("PanelTexts", "%n week(s) ago", nullptr, count);
        case Unit::day:
            return QCoreApplication::translate("PanelTexts", "%n day(s) ago", nullptr, count);
        case Unit::hour:
            return QCoreApplication::translate("PanelTexts", "%n hour(s) ago", nullptr, count);
        case Unit::minute:
            return QCoreApplication::translate("PanelTexts", "%n minute(s) ago", nullptr, count);
        default:
            return QCoreApplication::translate("PanelTexts", "%n second(s) ago", nullptr, count);
    }
}

QString unitsAhead(Unit unit, int count) {
    switch (unit) {
        case Unit::year:
            return QCoreApplication::translate("PanelTexts", "in %n year(s)", nullptr, count);
        case Unit::month:
            return QCoreApplication::translate("PanelTexts", "in %n month(s)", nullptr, count);
        case Unit::week:
            return QCoreApplication::translate("PanelTexts", "in %n week(s)", nullptr, count);
        case Unit::day:
            return QCoreApplication::translate("PanelTexts", "in %n day(s)", nullptr, count);
        case Unit::hour:
            return QCoreApplication::translate("PanelTexts", "in %n hour(s)", nullptr, count);
        case Unit::minute:
            return QCoreApplication::translate("PanelTexts", "in %n minute(s)", nullptr, count);
        default:
            return QCoreApplication::translate("PanelTexts", "in %n second(s)", nullptr, count);
    }
}

// The named form of one unit back or ahead, where the language has one.
std::optional<QString> namedNeighbour(Unit unit, bool past) {
    switch (unit) {
        case Unit::year:
            return past ? QCoreApplication::translate("PanelTexts", "last year")
                        : QCoreApplication::translate("PanelTexts", "next year");
        case Unit::month:
            return past ? QCoreApplication::translate("PanelTexts", "last month")
                        : QCoreApplication::translate("PanelTexts", "next month");
        case Unit::week:
            return past ? QCoreApplication::translate("PanelTexts", "last week")
                        : QCoreApplication::translate("PanelTexts", "next week");
        case Unit::day:
            return past ? QCoreApplication::translate("PanelTexts", "yesterday")
                        : QCoreApplication::translate("PanelTexts", "tomorrow");
        default:
            return std::nullopt;
    }
}

}  // namespace

QString relativeTime(Date date, Date now) {
    // From the largest unit down; seconds are the rest.
    static constexpr std::array<std::pair<Unit, double>, 6> units{{{Unit::year, 365.0 * 86400},
                                                                   {Unit::month, 30.0 * 86400},
                                                                   {Unit::week, 7.0 * 86400},
                                                                   {Unit::day, 86400},
                                                                   {Unit::hour, 3600},
                                                                   {Unit::minute, 60}}};
    const double interval = secondsBetween(now, date);  // negative in the past
    const double magnitude = std::fabs(interval);
    const bool past = interval < 0;
    for (const auto& [unit, length] : units) {
        if (magnitude < length) {
            continue;
        }
        const auto count = static_cast<int>(magnitude / length);
        if (count == 1) {
            if (auto named = namedNeighbour(unit, past)) {
                return *named;
            }
        }
        return past ? unitsAgo(unit, count) : unitsAhead(unit, count);
    }
    const auto seconds = static_cast<int>(magnitude);
    if (seconds == 0) {
        return QCoreApplication::translate("PanelTexts", "now");
    }
    return past ? unitsAgo(Unit::second, seconds) : unitsAhead(Unit::second, seconds);
}

QString meetingStatusLine(Date startsAt, Date now) {
    const double interval = secondsBetween(now, startsAt);
    if (interval > 0) {
        return QCoreApplication::translate("PanelTexts", "Starts in %1")
            .arg(StatusTexts::countdown(interval));
    }
    return QCoreApplication::translate("PanelTexts", "Started %1 ago").arg(StatusTexts::countdown(-interval));
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
