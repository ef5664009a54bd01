#pragma once

#include <spdlog/sinks/base_sink.h>

#include <mutex>
#include <string>

namespace kindora {

// Writes log records to the systemd journal with the fields SUBSYSTEM, CATEGORY and PRIORITY, which
// spdlog's own journal sink cannot add.
class JournalSink final : public spdlog::sinks::base_sink<std::mutex> {
public:
    explicit JournalSink(std::string subsystem);

protected:
    void sink_it_(const spdlog::details::log_msg& message) override;
    void flush_() override {}

private:
    std::string subsystem_;
};

}  // namespace kindora
