#pragma once

#include <string_view>

#include "core/common/Defaults.hpp"
#include "core/interrupts/DoNotDisturbStore.hpp"

namespace kindora {

// The do-not-disturb end kept in the user settings as date text. Creating the store moves a value
// left under the agent's former key to the current one, and always removes the former key.
class UserDefaultsDoNotDisturbStore final : public DoNotDisturbStore {
public:
    static constexpr std::string_view key = "com.quillmere.kindora.doNotDisturb.until";
    static constexpr std::string_view legacyKey = "com.kindora.doNotDisturb.until";

    explicit UserDefaultsDoNotDisturbStore(Defaults& defaults);

    std::optional<Date> loadUntil() const override;
    void saveUntil(std::optional<Date> until) override;

private:
    Defaults& defaults_;
};

}  // namespace kindora
