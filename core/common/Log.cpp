#include "core/common/Log.hpp"

#include <spdlog/sinks/dist_sink.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/sinks/stdout_sinks.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>

#include "core/common/JournalSink.hpp"

namespace kindora {
namespace {

struct Sinks {
    std::shared_ptr<spdlog::sinks::dist_sink_mt> shared = std::make_shared<spdlog::sinks::dist_sink_mt>();
    std::shared_ptr<spdlog::sinks::stderr_sink_mt> standardError =
        std::make_shared<spdlog::sinks::stderr_sink_mt>();
    std::mutex loggersMutex;
    std::map<std::string, std::shared_ptr<spdlog::logger>, std::less<>> loggers;

    Sinks() {
        standardError->set_pattern("%Y-%m-%d %H:%M:%S.%e [com.quillmere.kindora:%n] %l: %v");
        standardError->set_level(spdlog::level::info);
        shared->add_sink(standardError);
    }
};

Sinks& sinks() {
    static Sinks instance;
    return instance;
}

bool journalReachable() {
    return ::access("/run/systemd/journal/socket", W_OK) == 0;
}

}  // namespace

Log::Log(std::string_view category) : category_(category) {
    auto& all = sinks();
    std::lock_guard lock(all.loggersMutex);
    auto found = all.loggers.find(category);
    if (found != all.loggers.end()) {
        logger_ = found->second;
        return;
    }
    logger_ = std::make_shared<spdlog::logger>(category_, all.shared);
    logger_->set_level(spdlog::level::debug);
    logger_->flush_on(spdlog::level::err);
    all.loggers.emplace(category_, logger_);
}

void Log::addSink(const spdlog::sink_ptr& sink) { sinks().shared->add_sink(sink); }

void Log::removeSink(const spdlog::sink_ptr& sink) { sinks().shared->remove_sink(sink); }

void Log::setStandardErrorLevel(LogLevel level) { sinks().standardError->set_level(spdlogLevel(level)); }

void Log::addFileSink(const std::filesystem::path& file, std::size_t maxBytes) {
    const mode_t previous = ::umask(077);
    auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(file.string(), maxBytes, 1);
    ::umask(previous);
    sink->set_pattern("%Y-%m-%d %H:%M:%S.%e [%n] %l: %v");
    sink->set_level(spdlog::level::debug);
    addSink(sink);
}

void Log::addJournalSink() {
    if (!journalReachable()) {
        return;
    }
    auto sink = std::make_shared<JournalSink>(std::string(subsystem));
    sink->set_level(spdlog::level::debug);
    addSink(sink);
}

spdlog::level::level_enum Log::spdlogLevel(LogLevel level) {
    switch (level) {
        case LogLevel::debug:
            return spdlog::level::debug;
        case LogLevel::defaultLevel:
            return spdlog::level::info;
        case LogLevel::error:
            return spdlog::level::err;
        case LogLevel::fault:
            return spdlog::level::critical;
    }
    return spdlog::level::info;
}

}  // namespace kindora
