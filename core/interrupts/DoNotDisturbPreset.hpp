#pragma once

#include <vector>

#include "core/common/Phrase.hpp"

namespace kindora {

// A do-not-disturb length offered in the menu: its label and how long it pauses the takeovers.
struct DoNotDisturbPreset {
    Phrase label;
    double duration = 0;  // seconds

    // "30 min", "1 hour" and "2 hours", in menu order.
    static const std::vector<DoNotDisturbPreset>& all();

    // The longest preset (two hours). No period may end later than now plus this window, which also
    // bounds a stored end time that a changed clock or a tampered setting pushed far ahead.
    static double maxSuppressionWindow();

    friend bool operator==(const DoNotDisturbPreset&, const DoNotDisturbPreset&) = default;
};

}  // namespace kindora
