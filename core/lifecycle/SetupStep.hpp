#pragma once

#include <cstddef>
#include <functional>
#include <optional>

namespace kindora {

// One step of the setup wizard, in the order the wizard shows them, and the rules that pick the
// first step from what is already set up.
class SetupStep {
public:
    enum Value { welcome, fullDiskAccess, pairing, preferences, done };

    static constexpr int totalStepCount = 5;

    constexpr SetupStep(Value value) : value_(value) {}  // NOLINT: a step reads naturally as its case

    constexpr Value value() const { return value_; }
    // Steps left including this one (welcome 5 ... preferences 2); nothing on `done`.
    std::optional<int> stepsRemaining() const;

    static bool isAlreadyFullySetUp(bool hasFDA, bool hasCredentials);
    // The first step to show for these facts.
    static SetupStep next(bool hasFDA, bool hasCredentials);

    friend constexpr bool operator==(SetupStep, SetupStep) = default;

private:
    Value value_;
};

}  // namespace kindora

template <>
struct std::hash<kindora::SetupStep> {
    std::size_t operator()(kindora::SetupStep step) const noexcept {
        return std::hash<int>{}(static_cast<int>(step.value()));
    }
};
