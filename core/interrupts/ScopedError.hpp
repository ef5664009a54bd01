#pragma once

#include "core/backend/Uuid.hpp"
#include "core/common/UserText.hpp"

namespace kindora {

// An action's failure message, tied to the interrupt it is about: it is shown only while that
// interrupt is the one presented.
struct ScopedError {
    Uuid id;
    UserText message;

    friend bool operator==(const ScopedError&, const ScopedError&) = default;
};

}  // namespace kindora
