#include "core/messagesdb/AppleTime.hpp"

#include <algorithm>
#include <chrono>
#include <limits>

namespace kindora::AppleTime {

namespace {

// Date counts nanoseconds in 64 bits (about ±292 years around 1970); raw values from a damaged or
// hostile database may lie far outside, and converting those would overflow.
constexpr double representableUnixSeconds = 9.0e9;

}  // namespace

double secondsSinceReferenceDate(std::int64_t raw) {
    if (raw >= nanosecondThreshold) {
        return static_cast<double>(raw) / 1e9;
    }
    return static_cast<double>(raw);
}

Date date(std::int64_t raw) {
    constexpr std::int64_t referenceNanoseconds = referenceDateUnixSeconds * 1'000'000'000;
    if (raw >= nanosecondThreshold &&
        raw <= std::numeric_limits<std::int64_t>::max() - referenceNanoseconds) {
        // Whole nanoseconds stay exact; a double would round them to a few hundred nanoseconds.
        return Date(
            std::chrono::duration_cast<Date::duration>(std::chrono::nanoseconds(raw + referenceNanoseconds)));
    }
    const double unixSeconds = static_cast<double>(referenceDateUnixSeconds) + secondsSinceReferenceDate(raw);
    return dateFromSecondsSinceEpoch(
        std::clamp(unixSeconds, -representableUnixSeconds, representableUnixSeconds));
}

std::int64_t nanoseconds(Date date) {
    using std::chrono::nanoseconds;
    const auto sinceUnixEpoch = std::chrono::duration_cast<nanoseconds>(date.time_since_epoch()).count();
    return sinceUnixEpoch - referenceDateUnixSeconds * 1'000'000'000;
}

}  // namespace kindora::AppleTime
