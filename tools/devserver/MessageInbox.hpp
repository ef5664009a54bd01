#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/backend/IngestRecords.hpp"
#include "core/common/Date.hpp"
#include "tools/devserver/HouseholdRecords.hpp"
#include "tools/devserver/HouseholdRules.hpp"

namespace kindora::devserver {

// What one ingest request did: the answer (without `resolved`, which the alerts decide), the messages
// a keyword rule raised, and the GUIDs that became read.
struct IngestResult {
    IngestResponse response;
    std::vector<std::pair<StoredMessage, KeywordRule>> raised;
    std::vector<std::string> newlyRead;
};

// The messages and reads the household received, and the judging of each new message. Not
// thread-safe; the Household guards it.
class MessageInbox {
public:
    // Judges the batch in order and keeps what it accepts. The first "error" outcome ends the batch:
    // the agent sends that message and every later one again, so none of them is kept. Throws
    // ApiError 400 (nothing kept) for an empty GUID, a GUID twice in the batch, or, when the rules
    // say so, a GUID already held ("duplicate message guid ...").
    IngestResult ingest(const std::string& deviceId, const IngestRequest& request,
                        const HouseholdRules& rules, Date now);

    const std::vector<StoredMessage>& messages() const { return messages_; }
    const std::vector<StoredRead>& reads() const { return reads_; }
    void restore(std::vector<StoredMessage> messages, std::vector<StoredRead> reads);

private:
    IngestOutcomeKind judge(const IngestMessage& message, const HouseholdRules& rules, Date now,
                            const KeywordRule** matched, bool* stale) const;

    std::vector<StoredMessage> messages_;
    std::unordered_map<std::string, std::size_t> indexByGuid_;
    std::vector<StoredRead> reads_;
};

}  // namespace kindora::devserver
