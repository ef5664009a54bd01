#include "app/UncaughtExceptionLog.hpp"

#include <cxxabi.h>
#include <execinfo.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "core/common/Log.hpp"

namespace kindora::UncaughtExceptionLog {

namespace {

std::string demangle(const char* mangled) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> readable(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
    return status == 0 && readable ? std::string(readable.get()) : std::string(mangled);
}

}  // namespace

void log(std::string_view source, std::string_view name, std::string_view reason,
         const std::vector<std::string>& frames) {
    static const Log crashLog("Crash");
    crashLog.fault("Uncaught exception ({}): {} reason: {}", source, name,
                   reason.empty() ? "<none>" : reason);
    for (std::size_t index = 0; index < frames.size() && index < maxFrames; ++index) {
        crashLog.fault("frame {}: {}", index, frames[index]);
    }
}

void logCurrentException(std::string_view source) {
    const auto frames = currentStack();
    try {
        throw;
    } catch (const std::exception& error) {
        log(source, demangle(typeid(error).name()), error.what(), frames);
    } catch (...) {
        const std::type_info* type = abi::__cxa_current_exception_type();
        log(source, type ? demangle(type->name()) : "unknown", "", frames);
    }
}

std::vector<std::string> currentStack() {
    // One more than needed, to drop this function's own frame.
    void* addresses[maxFrames + 1];
    const int count = ::backtrace(addresses, static_cast<int>(maxFrames + 1));
    std::vector<std::string> frames;
    if (count <= 1) {
        return frames;
    }
    std::unique_ptr<char*, decltype(&std::free)> symbols(::backtrace_symbols(addresses, count), &std::free);
    for (int index = 1; index < count; ++index) {
        frames.emplace_back(symbols ? symbols.get()[index] : "?");
    }
    return frames;
}

}  // namespace kindora::UncaughtExceptionLog
