#pragma once

#include <string_view>

#include "core/lifecycle/Phase.hpp"

namespace kindora {

// The name of the menu-bar image for a phase, so that every front end shows the same state: the
// alert image while Full Disk Access is missing or the running agent is degraded, the do-not-disturb
// image while a healthy agent holds takeovers back, and the plain image otherwise.
namespace MenuBarImage {

inline constexpr std::string_view plain = "ZovudIzud";
inline constexpr std::string_view alert = "ZovudIzudAlert";
inline constexpr std::string_view doNotDisturb = "ZovudIzudDND";

std::string_view of(const Phase& phase, bool doNotDisturbActive);

}  // namespace MenuBarImage
}  // namespace kindora
