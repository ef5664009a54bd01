#include "tests/support/LogCapture.hpp"

namespace kindora::testing {

class LogCapture::Sink final : public spdlog::sinks::base_sink<std::mutex> {
public:
    std::vector<CapturedLogLine> snapshot() {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    void clearLines() {
        std::lock_guard lock(mutex_);
        lines_.clear();
    }

protected:
    void sink_it_(const spdlog::details::log_msg& message) override {
        lines_.push_back({std::string(message.logger_name.data(), message.logger_name.size()), levelOf(message.level),
                          std::string(message.payload.data(), message.payload.size())});
    }
    void flush_() override {}

private:
    static LogLevel levelOf(spdlog::level::level_enum level) {
        switch (level) {
            case spdlog::level::trace:
            case spdlog::level::debug:
                return LogLevel::debug;
            case spdlog::level::err:
                return LogLevel::error;
            case spdlog::level::critical:
                return LogLevel::fault;
            default:
                return LogLevel::defaultLevel;
        }
    }

    std::vector<CapturedLogLine> lines_;
};

LogCapture::LogCapture() : sink_(std::make_shared<Sink>()) {
    sink_->set_level(spdlog::level::trace);
    Log::addSink(sink_);
}

LogCapture::~LogCapture() { Log::removeSink(sink_); }

std::vector<CapturedLogLine> LogCapture::lines() const { return sink_->snapshot(); }

std::vector<std::string> LogCapture::messages(std::string_view category) const {
    std::vector<std::string> result;
    for (const auto& line : lines()) {
        if (category.empty() || line.category == category) {
            result.push_back(line.message);
        }
    }
    return result;
}

bool LogCapture::contains(std::string_view text, std::string_view category) const { return count(text, category) > 0; }

std::size_t LogCapture::count(std::string_view text, std::string_view category) const {
    std::size_t found = 0;
    for (const auto& message : messages(category)) {
        if (message.find(text) != std::string::npos) {
            ++found;
        }
    }
    return found;
}

void LogCapture::clear() { sink_->clearLines(); }

}  // namespace kindora::testing
