#pragma once

#include <map>
#include <string>

#include "core/common/Date.hpp"

namespace kindora {

// What a meeting ledger remembers: when each meeting (by id) was acted on.
struct MeetingLedgerState {
    std::map<std::string, Date> presentedAt;

    friend bool operator==(const MeetingLedgerState&, const MeetingLedgerState&) = default;
};

}  // namespace kindora
