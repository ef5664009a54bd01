#include "app/texts/StatusTexts.hpp"

#include <QCoreApplication>

#include <cmath>
#include <ctime>

namespace kindora::StatusTexts {

QString doNotDisturbRemaining(Date until, Date now) {
    const double secondsLeft = std::max(0.0, secondsBetween(now, until));
    const auto minutes = static_cast<long long>(std::ceil(secondsLeft / 60.0));
    if (minutes < 60) {
        return QCoreApplication::translate("StatusTexts", "%1m left").arg(minutes);
    }
    const long long hours = minutes / 60;
    const long long rest = minutes % 60;
    if (rest == 0) {
        return QCoreApplication::translate("StatusTexts", "%1h left").arg(hours);
    }
    return QCoreApplication::translate("StatusTexts", "%1h %2m left").arg(hours).arg(rest);
}

std::optional<QString> alertsWaiting(int moreCount) {
    if (moreCount <= 0) {
        return std::nullopt;
    }
    return QCoreApplication::translate("StatusTexts", "%n alert(s) waiting", nullptr, moreCount);
}

QString countdown(double seconds) {
    // std::round rounds halves away from zero; a NaN or negative interval reads as zero.
    const double rounded = std::round(seconds);
    const auto total = rounded > 0 ? static_cast<long long>(rounded) : 0LL;
    return QStringLiteral("%1:%2").arg(total / 60).arg(total % 60, 2, 10, QLatin1Char('0'));
}

QString pairingCodeExpiry(Date expiresAt, Date now) {
    if (expiresAt > now) {
        return QCoreApplication::translate("StatusTexts", "Code expires in %1")
            .arg(countdown(secondsBetween(now, expiresAt)));
    }
    return QCoreApplication::translate("StatusTexts", "Code expired");
}

std::optional<QString> retryCaption(const SyncStatus& status) {
    if (status.lastError) {
        return QCoreApplication::translate("StatusTexts",
                                           "Retry now — automatic sync is backing off after an error.");
    }
    if (!status.lastSyncAt) {
        return QCoreApplication::translate("StatusTexts", "Sync hasn't completed yet — retry now.");
    }
    return std::nullopt;
}

QString healthLabel(const Health& health) {
    return health.isHealthy() ? QCoreApplication::translate("StatusTexts", "Running")
                              : QCoreApplication::translate("StatusTexts", "Degraded");
}

namespace {

std::tm localTime(Date date) {
    const std::time_t time = std::chrono::system_clock::to_time_t(date);
    std::tm local{};
    localtime_r(&time, &local);
    return local;
}

}  // namespace

QString statTime(const std::optional<Date>& date, Date now) {
    if (!date) {
        return QStringLiteral("—");
    }
    const std::tm then = localTime(*date);
    const std::tm today = localTime(now);
    const auto twoDigits = [](int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); };
    if (then.tm_year == today.tm_year && then.tm_yday == today.tm_yday) {
        return QStringLiteral("%1:%2:%3")
            .arg(twoDigits(then.tm_hour), twoDigits(then.tm_min), twoDigits(then.tm_sec));
    }
    return QStringLiteral("%1-%2-%3 %4:%5")
        .arg(QString::number(then.tm_year + 1900), twoDigits(then.tm_mon + 1), twoDigits(then.tm_mday),
             twoDigits(then.tm_hour), twoDigits(then.tm_min));
}

std::optional<QString> stepsLeft(const std::optional<int>& stepsRemaining) {
    if (!stepsRemaining) {
        return std::nullopt;
    }
    return QCoreApplication::translate("StatusTexts", "%n steps left", nullptr, *stepsRemaining);
}

}  // namespace kindora::StatusTexts
