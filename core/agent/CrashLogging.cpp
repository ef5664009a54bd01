#include "core/agent/CrashLogging.hpp"

#include <cxxabi.h>

#include <boost/core/demangle.hpp>
#include <boost/stacktrace.hpp>
#include <exception>
#include <mutex>
#include <typeinfo>
#include <utility>

#include "core/common/Log.hpp"

namespace kindora::CrashLogging {
namespace {

std::terminate_handler previousHandler = nullptr;

struct ExceptionDescription {
    std::string type;
    std::string reason;
};

// What std::terminate was called for: the exception in flight, if there is one.
ExceptionDescription describeCurrentException() {
    const std::exception_ptr current = std::current_exception();
    if (!current) {
        return {"std::terminate without an exception", ""};
    }
    const std::type_info* type = abi::__cxa_current_exception_type();
    ExceptionDescription description{type ? boost::core::demangle(type->name()) : "unknown exception", ""};
    try {
        std::rethrow_exception(current);
    } catch (const std::exception& error) {
        description.type = boost::core::demangle(typeid(error).name());
        description.reason = error.what();
    } catch (...) {
    }
    return description;
}

[[noreturn]] void onTerminate() {
    // Frames: this handler and std::terminate's own are left out.
    const std::vector<std::string> frames = currentStack(2);
    const ExceptionDescription exception = describeCurrentException();
    logUncaughtException("uncaught", exception.type, exception.reason, frames);
    if (previousHandler) {
        previousHandler();
    }
    std::abort();
}

}  // namespace

void install() {
    static std::once_flag installed;
    std::call_once(installed, [] { previousHandler = std::set_terminate(onTerminate); });
}

void logUncaughtException(std::string_view source, std::string_view type, std::string_view reason,
                          const std::vector<std::string>& frames) {
    const Log log("Crash");
    log.fault("Uncaught exception ({}): {} reason: {}", source, type, reason.empty() ? "<none>" : reason);
    for (std::size_t index = 0; index < frames.size() && index < maximumFrames; ++index) {
        log.fault("frame {}: {}", index, frames[index]);
    }
}

std::vector<std::string> currentStack(std::size_t skip) {
    // One more frame to skip: this function's own.
    const boost::stacktrace::stacktrace stack(skip + 1, maximumFrames);
    std::vector<std::string> frames;
    frames.reserve(stack.size());
    for (const boost::stacktrace::frame& frame : stack) {
        frames.push_back(boost::stacktrace::to_string(frame));
    }
    return frames;
}

}  // namespace kindora::CrashLogging
