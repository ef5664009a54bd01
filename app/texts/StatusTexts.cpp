#include "app/texts/StatusTexts.hpp"

#include <fmt/format.h>

#include <cmath>
#include <ctime>

namespace kindora::StatusTexts {

std::string doNotDisturbRemaining(Date until, Date now) {
    const double secondsLeft = std::max(0.0, secondsBetween(now, until));
    const auto minutes = static_cast<long long>(std::ceil(secondsLeft / 60.0));
    if (minutes < 60) {
        return fmt::format("{}m left", minutes);
    }
    const long long hours = minutes / 60;
    const long long rest = minutes % 60;
    if (rest == 0) {
        return fmt::format("{}h left", hours);
    }
    return fmt::format("{}h {}m left", hours, rest);
}

std::optional<std::string> alertsWaiting(int moreCount) {
    if (moreCount <= 0) {
        return std::nullopt;
    }
    return fmt::format("{} alert{} waiting", moreCount, moreCount == 1 ? "" : "s");
}

std::string countdown(double seconds) {
    // std::round rounds halves away from zero; a NaN or negative interval reads as zero.
    const double rounded = std::round(seconds);
    const auto total = rounded > 0 ? static_cast<long long>(rounded) : 0LL;
    return fmt::format("{}:{:02}", total / 60, total % 60);
}

std::string pairingCodeExpiry(Date expiresAt, Date now) {
    if (expiresAt > now) {
        return "Code expires in " + countdown(secondsBetween(now, expiresAt));
    }
    return "Code expired";
}

std::optional<std::string> retryCaption(const SyncStatus& status) {
    if (status.lastError) {
        return "Retry now — automatic sync is backing off after an error.";
    }
    if (!status.lastSyncAt) {
        return "Sync hasn't completed yet — retry now.";
    }
    return std::nullopt;
}

std::string healthLabel(const Health& health) {
    return health.isHealthy() ? "Running" : "Degraded";
}

namespace {

std::tm localTime(Date date) {
    const std::time_t time = std::chrono::system_clock::to_time_t(date);
    std::tm local{};
    localtime_r(&time, &local);
    return local;
}

}  // namespace

std::string statTime(const std::optional<Date>& date, Date now) {
    if (!date) {
        return "—";
    }
    const std::tm then = localTime(*date);
    const std::tm today = localTime(now);
    if (then.tm_year == today.tm_year && then.tm_yday == today.tm_yday) {
        return fmt::format("{:02}:{:02}:{:02}", then.tm_hour, then.tm_min, then.tm_sec);
    }
    return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}", then.tm_year + 1900, then.tm_mon + 1, then.tm_mday,
                       then.tm_hour, then.tm_min);
}

std::optional<std::string> stepsLeft(const std::optional<int>& stepsRemaining) {
    if (!stepsRemaining) {
        return std::nullopt;
    }
    return fmt::format("{} steps left", *stepsRemaining);
}

}  // namespace kindora::StatusTexts
