#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "core/messagesdb/MessageRow.hpp"

// The lines `kindora-chatdb inbound` prints: one object per message, the keys in a fixed order and
// absent values left out, then the highest scanned ROWID.
namespace kindora::InboundJson {

nlohmann::ordered_json row(const MessageRow& message);
// The closing line, `{"highestScannedRowID": N}`.
std::string highestScannedLine(std::int64_t highestScannedRowID);

}  // namespace kindora::InboundJson
