#pragma once

#include <string_view>

#include "core/common/Defaults.hpp"
#include "core/lifecycle/LoginItemService.hpp"

namespace kindora {

// What the first launch does about launch at login.
struct LaunchAtLoginFirstRunDecision {
    bool shouldRegister = false;
    bool shouldMarkComplete = false;

    friend bool operator==(const LaunchAtLoginFirstRunDecision&,
                           const LaunchAtLoginFirstRunDecision&) = default;
};

// Registers the agent as a login item once per installation, and never when the user had already
// enabled it: turning it off later is the user's choice and is not undone.
namespace LaunchAtLoginFirstRun {

inline constexpr std::string_view didCompleteFirstRunKey =
    "com.quillmere.kindora.launchAtLogin.didCompleteFirstRun";

LaunchAtLoginFirstRunDecision decide(bool didCompleteFirstRun, bool isAlreadyEnabled);

// Reads the flag and the login item's status, registers when the decision says so (a failure is
// logged under "AppDelegate"), and writes the flag whether registration succeeded or not.
void registerOnFirstRun(Defaults& defaults, LoginItemService& loginItems);

}  // namespace LaunchAtLoginFirstRun
}  // namespace kindora
