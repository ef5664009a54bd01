#pragma once

#include <string>
#include <string_view>

#include "core/common/Date.hpp"
#include "tools/devserver/HouseholdSnapshot.hpp"

namespace kindora::devserver {

// The page at "/" for a person watching the demo: devices, the last messages received with their
// outcome, open alerts and upcoming meetings. It reloads itself every few seconds.
namespace StatusPage {

inline constexpr int refreshSeconds = 2;
inline constexpr std::size_t recentMessageCount = 20;

std::string render(const HouseholdSnapshot& snapshot, Date now);

// Text made safe to place in HTML element content and quoted attribute values.
std::string escapeHtml(std::string_view text);

}  // namespace StatusPage
}  // namespace kindora::devserver
