#include "tests/update/PackageKitStandIn.hpp"

#include <systemd/sd-bus.h>

namespace kindora::testing {
namespace {

constexpr const char* transactionPath = "/1";
constexpr const char* transactionInterface = "org.freedesktop.PackageKit.Transaction";

std::vector<std::string> readStrings(sd_bus_message* message) {
    std::vector<std::string> strings;
    if (sd_bus_message_enter_container(message, 'a', "s") < 0) {
        return strings;
    }
    const char* text = nullptr;
    while (sd_bus_message_read(message, "s", &text) > 0) {
        strings.emplace_back(text);
    }
    sd_bus_message_exit_container(message);
    return strings;
}

}  // namespace

PackageKitStandIn::PackageKitStandIn(Script script) : script_(std::move(script)) {
    sd_bus* bus = service_.bus();
    ready_ = bus != nullptr &&
             sd_bus_add_object(bus, &managerSlot_, "/org/freedesktop/PackageKit", &PackageKitStandIn::onManager,
                               this) >= 0 &&
             sd_bus_add_object(bus, &transactionSlot_, transactionPath, &PackageKitStandIn::onTransaction,
                               this) >= 0 &&
             service_.serve("org.freedesktop.PackageKit");
}

PackageKitStandIn::~PackageKitStandIn() {
    service_.stop();
    sd_bus_slot_unref(transactionSlot_);
    sd_bus_slot_unref(managerSlot_);
}

std::vector<std::string> PackageKitStandIn::installedFiles() const {
    const std::lock_guard lock(mutex_);
    return installedFiles_;
}

std::vector<std::string> PackageKitStandIn::hints() const {
    const std::lock_guard lock(mutex_);
    return hints_;
}

std::vector<std::uint64_t> PackageKitStandIn::flags() const {
    const std::lock_guard lock(mutex_);
    return flags_;
}

int PackageKitStandIn::onManager(sd_bus_message* message, void*, sd_bus_error*) {
    if (sd_bus_message_is_method_call(message, "org.freedesktop.PackageKit", "CreateTransaction") <= 0) {
        return 0;
    }
    return sd_bus_reply_method_return(message, "o", transactionPath);
}

int PackageKitStandIn::onTransaction(sd_bus_message* message, void* userData, sd_bus_error*) {
    auto* self = static_cast<PackageKitStandIn*>(userData);
    if (sd_bus_message_is_method_call(message, transactionInterface, "SetHints") > 0) {
        auto hints = readStrings(message);
        {
            const std::lock_guard lock(self->mutex_);
            self->hints_.insert(self->hints_.end(), hints.begin(), hints.end());
        }
        return sd_bus_reply_method_return(message, "");
    }
    if (sd_bus_message_is_method_call(message, transactionInterface, "InstallFiles") > 0) {
        std::uint64_t flags = 0;
        sd_bus_message_read(message, "t", &flags);
        auto files = readStrings(message);
        {
            const std::lock_guard lock(self->mutex_);
            self->flags_.push_back(flags);
            self->installedFiles_.insert(self->installedFiles_.end(), files.begin(), files.end());
        }
        const int replied = sd_bus_reply_method_return(message, "");
        sd_bus* bus = self->service_.bus();
        if (self->script_.errorDetails) {
            sd_bus_emit_signal(bus, transactionPath, transactionInterface, "ErrorCode", "us",
                               std::uint32_t{4}, self->script_.errorDetails->c_str());
        }
        sd_bus_emit_signal(bus, transactionPath, transactionInterface, "Finished", "uu", self->script_.exit,
                           std::uint32_t{10});
        sd_bus_emit_signal(bus, transactionPath, transactionInterface, "Destroy", "");
        return replied;
    }
    if (sd_bus_message_is_method_call(message, transactionInterface, "Cancel") > 0) {
        return sd_bus_reply_method_return(message, "");
    }
    return 0;
}

}  // namespace kindora::testing
