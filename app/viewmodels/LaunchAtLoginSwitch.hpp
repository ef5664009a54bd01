#pragma once

#include <optional>
#include <string>

#include "core/common/Log.hpp"
#include "core/lifecycle/LoginItemService.hpp"

namespace kindora {

// The "Launch at Login" switch of the menu and the wizard. Its state starts as the service reports
// it; flipping it registers or unregisters the agent, and when that fails the error is shown and the
// switch goes back to where it was, without a second call to the service.
class LaunchAtLoginSwitch {
public:
    explicit LaunchAtLoginSwitch(LoginItemService& service);

    bool isOn() const { return isOn_; }
    const std::optional<std::string>& error() const { return error_; }

    // Reads the service again (the user may have changed the autostart entry meanwhile).
    void reload();
    // The user turned the switch to `on`.
    void userSet(bool on);

private:
    LoginItemService& service_;
    bool isOn_ = false;
    std::optional<std::string> error_;
    const Log logger_{"AppDelegate"};
};

}  // namespace kindora
