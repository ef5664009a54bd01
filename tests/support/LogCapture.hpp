#pragma once

#include <spdlog/sinks/base_sink.h>

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Log.hpp"

namespace kindora::testing {

struct CapturedLogLine {
    std::string category;
    LogLevel level;
    std::string message;
};

// Captures every log line written while it exists, from any thread, for assertions.
class LogCapture {
public:
    LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    ~LogCapture();

    std::vector<CapturedLogLine> lines() const;
    std::vector<std::string> messages(std::string_view category = {}) const;
    // True when some line (of the category, if given) contains `text`.
    bool contains(std::string_view text, std::string_view category = {}) const;
    std::size_t count(std::string_view text, std::string_view category = {}) const;
    // True when some line anywhere, in any category, contains `text` (for privacy checks).
    bool anyLineContains(std::string_view text) const { return contains(text); }
    void clear();

private:
    class Sink;
    std::shared_ptr<Sink> sink_;
};

}  // namespace kindora::testing
