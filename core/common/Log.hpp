#pragma once

#include <spdlog/spdlog.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace kindora {

// The agent's four log levels; "default" is the ordinary informational level.
enum class LogLevel { debug, defaultLevel, error, fault };

// One logging channel of the agent: the subsystem "com.quillmere.kindora" and a category ("Sync",
// "Heartbeat", ...). Every category shares the same sinks: standard error, and where set up, a
// size-capped file and the systemd journal. Message texts never carry message content or tokens.
class Log {
public:
    static constexpr std::string_view subsystem = "com.quillmere.kindora";

    explicit Log(std::string_view category);

    const std::string& category() const { return category_; }

    template <typename... Args>
    void debug(fmt::format_string<Args...> format, Args&&... args) const {
        logger_->debug(format, std::forward<Args>(args)...);
    }
    template <typename... Args>
    void info(fmt::format_string<Args...> format, Args&&... args) const {
        logger_->info(format, std::forward<Args>(args)...);
    }
    template <typename... Args>
    void error(fmt::format_string<Args...> format, Args&&... args) const {
        logger_->error(format, std::forward<Args>(args)...);
    }
    template <typename... Args>
    void fault(fmt::format_string<Args...> format, Args&&... args) const {
        logger_->critical(format, std::forward<Args>(args)...);
    }

    // Sinks shared by every category; tests attach a capture sink here.
    static void addSink(const spdlog::sink_ptr& sink);
    static void removeSink(const spdlog::sink_ptr& sink);

    // The lowest level written to standard error (default: LogLevel::defaultLevel).
    static void setStandardErrorLevel(LogLevel level);
    // Writes out whatever the sinks buffer (before the process ends at once).
    static void flush();
    // Adds a size-capped file (rotated once it passes `maxBytes`), 0600 and close-on-exec every time it
    // is opened, rotations included.
    static void addFileSink(const std::filesystem::path& file, std::size_t maxBytes);
    // Adds the systemd journal, with SUBSYSTEM and CATEGORY fields, when a journal is reachable.
    static void addJournalSink();

    static spdlog::level::level_enum spdlogLevel(LogLevel level);

private:
    std::string category_;
    std::shared_ptr<spdlog::logger> logger_;
};

}  // namespace kindora
