#include "core/common/JournalSink.hpp"

#include <sys/uio.h>
#include <systemd/sd-journal.h>

#include <array>
#include <string>
#include <utility>

namespace kindora {
namespace {

int journalPriority(spdlog::level::level_enum level) {
    switch (level) {
        case spdlog::level::trace:
        case spdlog::level::debug:
            return 7;
        case spdlog::level::info:
            return 6;
        case spdlog::level::warn:
            return 4;
        case spdlog::level::err:
            return 3;
        case spdlog::level::critical:
            return 2;
        default:
            return 6;
    }
}

}  // namespace

JournalSink::JournalSink(std::string subsystem) : subsystem_(std::move(subsystem)) {}

void JournalSink::sink_it_(const spdlog::details::log_msg& message) {
    std::string text = "MESSAGE=" + std::string(message.payload.data(), message.payload.size());
    std::string priority = "PRIORITY=" + std::to_string(journalPriority(message.level));
    std::string subsystem = "SUBSYSTEM=" + subsystem_;
    std::string category = "CATEGORY=" + std::string(message.logger_name.data(), message.logger_name.size());
    std::string identifier = "SYSLOG_IDENTIFIER=kindora";
    std::array<iovec, 5> fields{{
        {text.data(), text.size()},
        {priority.data(), priority.size()},
        {subsystem.data(), subsystem.size()},
        {category.data(), category.size()},
        {identifier.data(), identifier.size()},
    }};
    sd_journal_sendv(fields.data(), static_cast<int>(fields.size()));
}

}  // namespace kindora
