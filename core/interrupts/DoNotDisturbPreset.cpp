#include "core/interrupts/DoNotDisturbPreset.hpp"

#include <algorithm>

namespace kindora {

const std::vector<DoNotDisturbPreset>& DoNotDisturbPreset::all() {
    static const std::vector<DoNotDisturbPreset> presets{
        {KINDORA_PHRASE("DoNotDisturbPreset", "30 min"), 1800},
        {KINDORA_PHRASE("DoNotDisturbPreset", "1 hour"), 3600},
        {KINDORA_PHRASE("DoNotDisturbPreset", "2 hours"), 7200},
    };
    return presets;
}

double DoNotDisturbPreset::maxSuppressionWindow() {
    static const double window =
        std::max_element(all().begin(), all().end(), [](const auto& a, const auto& b) {
            return a.duration < b.duration;
        })->duration;
    return window;
}

}  // namespace kindora
