#include "core/lifecycle/SetupStep.hpp"

namespace kindora {

std::optional<int> SetupStep::stepsRemaining() const {
    if (value_ == done) {
        return std::nullopt;
    }
    return totalStepCount - static_cast<int>(value_);
}

bool SetupStep::isAlreadyFullySetUp(bool hasFDA, bool hasCredentials) {
    return hasFDA && hasCredentials;
}

SetupStep SetupStep::next(bool hasFDA, bool hasCredentials) {
    if (hasFDA && hasCredentials) {
        return done;
    }
    if (hasFDA) {
        return pairing;
    }
    if (hasCredentials) {
        return fullDiskAccess;
    }
    return welcome;
}

}  // namespace kindora
