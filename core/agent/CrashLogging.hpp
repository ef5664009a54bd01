#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kindora {

// Leaves a trace of a crash in the log before the process goes: the type and text of the exception
// nobody caught, and where the program was, in category "Crash" at fault level.
namespace CrashLogging {

// At most this many stack frames are logged.
inline constexpr std::size_t maximumFrames = 48;

// Installs a terminate handler that logs the exception in flight (source "uncaught") and the stack,
// then lets the handler it replaced end the process as before. Once per process; later calls do nothing.
void install();

// The lines logged for an exception: "Uncaught exception (<source>): <type> reason: <reason>" (the
// reason "<none>" when empty), then "frame N: <frame>" for the first maximumFrames frames.
void logUncaughtException(std::string_view source, std::string_view type, std::string_view reason,
                          const std::vector<std::string>& frames);

// The current thread's stack, innermost first, one text per frame (at most maximumFrames), starting
// `skip` frames above the caller.
std::vector<std::string> currentStack(std::size_t skip = 0);

}  // namespace CrashLogging
}  // namespace kindora
