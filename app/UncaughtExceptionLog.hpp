#pragma once

#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace kindora::UncaughtExceptionLog {

// The most stack frames written for one exception.
inline constexpr std::size_t maxFrames = 48;

// Logs, in category "Crash" at fault level, "Uncaught exception (<source>): <name> reason: <reason>"
// ("<none>" for an empty reason), then "frame <i>: <symbol>" for the first 48 frames.
void log(std::string_view source, std::string_view name, std::string_view reason,
         const std::vector<std::string>& frames);

// The same for the exception in flight (call it from a catch block): its type and what() text, with
// the stack of the place that caught it.
void logCurrentException(std::string_view source);

// The symbolised frames of the calling thread's stack, innermost first.
std::vector<std::string> currentStack();

}  // namespace kindora::UncaughtExceptionLog
