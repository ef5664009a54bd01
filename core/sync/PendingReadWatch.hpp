#pragma once

#include <cstdint>
#include <string>

#include "core/common/Date.hpp"

namespace kindora {

// A forwarded message for which the backend raised an alert; its read state is watched so that the
// alert can stand down once the user has seen the message (or replied after it).
struct PendingReadWatch {
    std::string guid;
    std::int64_t rowID = 0;
    Date raisedAt;

    friend bool operator==(const PendingReadWatch&, const PendingReadWatch&) = default;
};

}  // namespace kindora
