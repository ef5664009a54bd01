#pragma once

#include <nlohmann/json.hpp>

#include "core/backend/InterruptRecords.hpp"
#include "core/backend/MeetingRecords.hpp"
#include "core/common/Date.hpp"
#include "tools/devserver/FaultInjector.hpp"
#include "tools/devserver/HouseholdSnapshot.hpp"

namespace kindora::devserver {

// The JSON forms of the household: the state file, the admin answers and the admin request bodies.
// Decoders throw RecordDecodingError (the admin API answers it with 400); dates use JsonDate.
namespace HouseholdJson {

// Token digests appear only in the state file form; admin answers never carry them.
enum class DeviceForm { admin, stateFile };

nlohmann::ordered_json encode(const Device& device, DeviceForm form);
nlohmann::ordered_json encode(const StoredMessage& message);
nlohmann::ordered_json encode(const StoredRead& read);
nlohmann::ordered_json encode(const StoredAlert& alert);
nlohmann::ordered_json encode(const HouseholdRules& rules);
nlohmann::ordered_json encode(const FaultRule& rule);

// The whole household as the state file holds it ({"format": 1, ...}).
nlohmann::ordered_json encodeState(const HouseholdSnapshot& snapshot);
HouseholdSnapshot decodeState(const nlohmann::json& json);

// Admin request bodies. Times may be given as absolute dates or as seconds from `now`
// ("startsInSeconds", "raisedSecondsAgo"); missing ids are made up.
Interrupt decodeInterruptDraft(const nlohmann::json& json, Date now);
Meeting decodeMeetingDraft(const nlohmann::json& json, Date now);
HouseholdRules decodeRules(const nlohmann::json& json);
FaultRule decodeFaultRule(const nlohmann::json& json);

}  // namespace HouseholdJson
}  // namespace kindora::devserver
