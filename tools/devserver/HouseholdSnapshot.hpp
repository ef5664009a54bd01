#pragma once

#include <vector>

#include "core/backend/MeetingRecords.hpp"
#include "tools/devserver/AlertBoard.hpp"
#include "tools/devserver/DeviceRegistry.hpp"
#include "tools/devserver/HouseholdRules.hpp"
#include "tools/devserver/MessageInbox.hpp"

namespace kindora::devserver {

// Everything the household holds, copied out at one moment: for the state file, the admin listings
// and the status page.
struct HouseholdSnapshot {
    std::vector<Device> devices;
    std::vector<StoredMessage> messages;
    std::vector<StoredRead> reads;
    std::vector<StoredAlert> alerts;
    std::vector<Meeting> meetings;
    HouseholdRules rules;

    friend bool operator==(const HouseholdSnapshot&, const HouseholdSnapshot&) = default;
};

}  // namespace kindora::devserver
