#pragma once

#include <cstdint>

#include "core/common/Date.hpp"

// Dates of the Messages database: counted from 2001-01-01 00:00:00 UTC, in nanoseconds in current
// databases and in seconds in old ones.
namespace kindora::AppleTime {

// 2001-01-01 00:00:00 UTC in seconds since the Unix epoch.
inline constexpr std::int64_t referenceDateUnixSeconds = 978307200;
// Raw values at or above this are nanoseconds; smaller ones are seconds.
inline constexpr std::int64_t nanosecondThreshold = 1'000'000'000'000;

// The interval since the reference date, in seconds, of a raw `date` column value.
double secondsSinceReferenceDate(std::int64_t raw);

// The date of a raw `date` column value; values beyond the range of Date are held at its ends.
Date date(std::int64_t raw);

// `date` as nanoseconds since the reference date, the form current databases store.
std::int64_t nanoseconds(Date date);

}  // namespace kindora::AppleTime
