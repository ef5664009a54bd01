#include "core/interrupts/UserDefaultsDoNotDisturbStore.hpp"

namespace kindora {

UserDefaultsDoNotDisturbStore::UserDefaultsDoNotDisturbStore(Defaults& defaults) : defaults_(defaults) {
    const bool currentHoldsAValue =
        defaults_.stringValue(key).has_value() || defaults_.boolValue(key).has_value();
    if (!currentHoldsAValue) {
        if (const auto legacy = defaults_.dateValue(legacyKey)) {
            defaults_.setDate(key, *legacy);
        }
    }
    defaults_.remove(legacyKey);
}

std::optional<Date> UserDefaultsDoNotDisturbStore::loadUntil() const {
    return defaults_.dateValue(key);
}

void UserDefaultsDoNotDisturbStore::saveUntil(std::optional<Date> until) {
    if (until) {
        defaults_.setDate(key, *until);
    } else {
        defaults_.remove(key);
    }
}

}  // namespace kindora
