#include "tests/support/SystemBusService.hpp"

namespace kindora::testing {

SystemBusService::SystemBusService() {
    if (sd_bus_open_system(&bus_) < 0) {
        bus_ = nullptr;
    }
}

SystemBusService::~SystemBusService() {
    stop();
    sd_bus_flush_close_unref(bus_);
}

bool SystemBusService::serve(const char* name) {
    if (bus_ == nullptr || thread_.joinable() || sd_bus_request_name(bus_, name, 0) < 0) {
        return false;
    }
    thread_ = std::thread([this] { run(); });
    return true;
}

void SystemBusService::stop() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void SystemBusService::run() {
    while (!stopping_) {
        const int processed = sd_bus_process(bus_, nullptr);
        if (processed > 0) {
            continue;
        }
        if (processed < 0) {
            return;
        }
        sd_bus_wait(bus_, 20'000);  // short, so that stop() is noticed soon
    }
}

}  // namespace kindora::testing
