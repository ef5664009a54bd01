#pragma once

#include <chrono>

namespace kindora {

// A point in time. Dates cross the wire and the files with millisecond precision (see JsonDate).
using Date = std::chrono::system_clock::time_point;

// Seconds as a double, the unit every wait and interval of the agent is expressed in.
using Seconds = std::chrono::duration<double>;

inline Date dateFromSecondsSinceEpoch(double seconds) {
    return Date(std::chrono::duration_cast<Date::duration>(Seconds(seconds)));
}

inline double secondsSinceEpoch(Date date) {
    return std::chrono::duration_cast<Seconds>(date.time_since_epoch()).count();
}

inline Date operator+(Date date, Seconds offset) {
    return date + std::chrono::duration_cast<Date::duration>(offset);
}

inline double secondsBetween(Date from, Date to) {
    return std::chrono::duration_cast<Seconds>(to - from).count();
}

}  // namespace kindora
