#include "app/viewmodels/LaunchAtLoginSwitch.hpp"

#include "core/lifecycle/LoginItemError.hpp"

namespace kindora {

LaunchAtLoginSwitch::LaunchAtLoginSwitch(LoginItemService& service) : service_(service) {
    reload();
}

void LaunchAtLoginSwitch::reload() {
    try {
        isOn_ = service_.status() == LoginItemService::Status::enabled;
    } catch (const LoginItemError& error) {
        isOn_ = false;
        error_ = error.what();
    }
}

void LaunchAtLoginSwitch::userSet(bool on) {
    if (on == isOn_) {
        return;
    }
    const bool previous = isOn_;
    isOn_ = on;
    try {
        if (on) {
            service_.registerLoginItem();
        } else {
            service_.unregisterLoginItem();
        }
        error_.reset();
    } catch (const LoginItemError& error) {
        logger_.error("Launch at Login {} failed: {}", on ? "registration" : "removal", error.what());
        error_ = error.what();
        // Put the switch back as the state it shows; this is no user action, so the service is not
        // asked again.
        isOn_ = previous;
    }
}

}  // namespace kindora
