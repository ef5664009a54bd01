#include "tests/update/PackageKitStandIn.hpp"

#include <utility>

namespace kindora::testing {
namespace {

constexpr const char* transactionPrefix = "/org/freedesktop/PackageKit/Transactions";
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

bool isCall(sd_bus_message* message, const char* member) {
    return sd_bus_message_is_method_call(message, transactionInterface, member) > 0;
}

}  // namespace

PackageKitStandIn::PackageKitStandIn() {
    sd_bus* bus = service_.bus();
    ready_ = bus != nullptr &&
             sd_bus_add_object(bus, &managerSlot_, "/org/freedesktop/PackageKit", &PackageKitStandIn::onManager,
                               this) >= 0 &&
             sd_bus_add_fallback(bus, &transactionSlot_, transactionPrefix, &PackageKitStandIn::onTransaction,
                                 this) >= 0 &&
             service_.serve("org.freedesktop.PackageKit");
}

PackageKitStandIn::~PackageKitStandIn() {
    service_.stop();
    sd_bus_slot_unref(transactionSlot_);
    sd_bus_slot_unref(managerSlot_);
}

void PackageKitStandIn::offer(std::vector<Package> updates) {
    const std::lock_guard lock(mutex_);
    updates_ = std::move(updates);
}

void PackageKitStandIn::fail(const std::string& method, std::optional<std::string> details, std::uint32_t exit) {
    const std::lock_guard lock(mutex_);
    failures_[method] = Failure{std::move(details), exit};
}

void PackageKitStandIn::heal(const std::string& method) {
    const std::lock_guard lock(mutex_);
    failures_.erase(method);
}

std::vector<PackageKitStandIn::Call> PackageKitStandIn::calls() const {
    const std::lock_guard lock(mutex_);
    return calls_;
}

int PackageKitStandIn::onManager(sd_bus_message* message, void* userData, sd_bus_error*) {
    auto* self = static_cast<PackageKitStandIn*>(userData);
    if (sd_bus_message_is_method_call(message, "org.freedesktop.PackageKit", "CreateTransaction") <= 0) {
        return 0;
    }
    unsigned number = 0;
    {
        const std::lock_guard lock(self->mutex_);
        number = ++self->transactions_;
    }
    const std::string path = std::string(transactionPrefix) + "/" + std::to_string(number);
    return sd_bus_reply_method_return(message, "o", path.c_str());
}

int PackageKitStandIn::onTransaction(sd_bus_message* message, void* userData, sd_bus_error*) {
    auto* self = static_cast<PackageKitStandIn*>(userData);
    const std::string path = sd_bus_message_get_path(message);
    Call call;
    call.method = sd_bus_message_get_member(message) != nullptr ? sd_bus_message_get_member(message) : "";
    if (isCall(message, "SetHints")) {
        auto hints = readStrings(message);
        const std::lock_guard lock(self->mutex_);
        self->hints_[path] = std::move(hints);
        return sd_bus_reply_method_return(message, "");
    }
    if (isCall(message, "RefreshCache")) {
        int force = 0;
        sd_bus_message_read(message, "b", &force);
        call.flags = static_cast<std::uint64_t>(force);
    } else if (isCall(message, "GetUpdates")) {
        sd_bus_message_read(message, "t", &call.flags);
    } else if (isCall(message, "DownloadPackages")) {
        int storeInCache = 0;
        sd_bus_message_read(message, "b", &storeInCache);
        call.flags = static_cast<std::uint64_t>(storeInCache);
        call.packageIds = readStrings(message);
    } else if (isCall(message, "UpdatePackages")) {
        sd_bus_message_read(message, "t", &call.flags);
        call.packageIds = readStrings(message);
    } else if (isCall(message, "Cancel")) {
        return sd_bus_reply_method_return(message, "");
    } else {
        return 0;
    }
    return self->answer(message, std::move(call));
}

int PackageKitStandIn::answer(sd_bus_message* message, Call call) {
    const std::string path = sd_bus_message_get_path(message);
    std::vector<Package> packages;
    std::optional<Failure> failure;
    {
        const std::lock_guard lock(mutex_);
        call.hints = hints_[path];
        if (call.method == "GetUpdates") {
            packages = updates_;
        }
        if (const auto found = failures_.find(call.method); found != failures_.end()) {
            failure = found->second;
            packages.clear();
        }
        calls_.push_back(call);
    }
    const int replied = sd_bus_reply_method_return(message, "");
    sd_bus* bus = service_.bus();
    for (const Package& package : packages) {
        sd_bus_emit_signal(bus, path.c_str(), transactionInterface, "Package", "uss", package.info,
                           package.id.c_str(), "household agent");
    }
    if (failure && failure->details) {
        sd_bus_emit_signal(bus, path.c_str(), transactionInterface, "ErrorCode", "us", std::uint32_t{4},
                           failure->details->c_str());
    }
    sd_bus_emit_signal(bus, path.c_str(), transactionInterface, "Finished", "uu",
                       failure ? failure->exit : std::uint32_t{1}, std::uint32_t{10});
    sd_bus_emit_signal(bus, path.c_str(), transactionInterface, "Destroy", "");
    return replied;
}

}  // namespace kindora::testing
