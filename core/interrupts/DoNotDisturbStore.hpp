#pragma once

#include <optional>

#include "core/common/Date.hpp"

namespace kindora {

// Where the end of the do-not-disturb period is kept, so that it survives a restart.
class DoNotDisturbStore {
public:
    virtual ~DoNotDisturbStore() = default;

    // The stored end, or nothing when none is stored or the stored value is not a date.
    virtual std::optional<Date> loadUntil() const = 0;
    // Stores the end; nothing erases it.
    virtual void saveUntil(std::optional<Date> until) = 0;
};

}  // namespace kindora
