#pragma once

#include <functional>

#include "core/common/Date.hpp"

namespace kindora {

// The current date, replaceable in tests. Loops take a SyncClock; other controllers take a plain
// `std::function<Date()>` (see nowFunction()).
class SyncClock {
public:
    using NowFunction = std::function<Date()>;

    explicit SyncClock(NowFunction now);

    Date now() const;
    const NowFunction& nowFunction() const { return now_; }

    static SyncClock live();

private:
    NowFunction now_;
};

}  // namespace kindora
