#include "core/lifecycle/LaunchAtLoginFirstRun.hpp"

#include <exception>

#include "core/common/Log.hpp"

namespace kindora::LaunchAtLoginFirstRun {

LaunchAtLoginFirstRunDecision decide(bool didCompleteFirstRun, bool isAlreadyEnabled) {
    return {.shouldRegister = !didCompleteFirstRun && !isAlreadyEnabled,
            .shouldMarkComplete = !didCompleteFirstRun};
}

void registerOnFirstRun(Defaults& defaults, LoginItemService& loginItems) {
    const bool didCompleteFirstRun = defaults.boolValue(didCompleteFirstRunKey).value_or(false);
    if (didCompleteFirstRun) {
        return;
    }
    const bool isEnabled = loginItems.status() == LoginItemService::Status::enabled;
    const auto decision = decide(didCompleteFirstRun, isEnabled);
    if (decision.shouldRegister) {
        try {
            loginItems.registerLoginItem();
        } catch (const std::exception& error) {
            Log("AppDelegate").error("Launch at Login first-run registration failed: {}", error.what());
        }
    }
    if (decision.shouldMarkComplete) {
        defaults.setBool(didCompleteFirstRunKey, true);
    }
}

}  // namespace kindora::LaunchAtLoginFirstRun
