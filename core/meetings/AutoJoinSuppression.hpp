#pragma once

#include <string_view>

namespace kindora {

// Why the user stopped a meeting from being joined automatically.
enum class AutoJoinSuppression { joinedManually, declined };

// The value written in the log: "joined-manually" or "declined".
constexpr std::string_view logValue(AutoJoinSuppression reason) {
    return reason == AutoJoinSuppression::joinedManually ? "joined-manually" : "declined";
}

}  // namespace kindora
