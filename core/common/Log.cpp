#include "core/common/Log.hpp"

#include <spdlog/sinks/dist_sink.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/sinks/stdout_sinks.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
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

void Log::flush() { sinks().shared->flush(); }

void Log::setStandardErrorLevel(LogLevel level) { sinks().standardError->set_level(spdlogLevel(level)); }

void Log::addFileSink(const std::filesystem::path& file, std::size_t maxBytes) {
    // Every file the sink opens, the first and each one after a rotation, is the user's alone and
    // stays out of the programs the agent starts (the browser that opens a link, a relaunch).
    spdlog::file_event_handlers handlers;
    handlers.before_open = [](const spdlog::filename_t& name) {
        const int created = ::open(name.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (created >= 0) {
            ::close(created);
        }
    };
    handlers.after_open = [](const spdlog::filename_t&, std::FILE* opened) {
        const int descriptor = ::fileno(opened);
        ::fchmod(descriptor, 0600);
        ::fcntl(descriptor, F_SETFD, ::fcntl(descriptor, F_GETFD) | FD_CLOEXEC);
    };
    auto sink =
        std::make_shared<spdlog::sinks::rotating_file_sink_mt>(file.string(), maxBytes, 1, false, handlers);
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
