#pragma once

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/backend/InterruptRecords.hpp"

namespace kindora::devserver {

// A message whose text contains `keyword` (any letter case) is answered "raised" and raises an alert
// with these properties.
struct KeywordRule {
    std::string keyword;
    std::string title;
    InterruptUrgency urgency = InterruptUrgency::critical;
    bool requiresResolution = false;
    bool canResolve = true;
    std::optional<std::string> groupKey;

    friend bool operator==(const KeywordRule&, const KeywordRule&) = default;
};

// How the household judges what arrives.
struct HouseholdRules {
    std::vector<KeywordRule> keywords;
    // Messages with these GUIDs are answered "error" (and neither they nor later ones of the batch are
    // kept), until the GUID is taken off the list.
    std::set<std::string> errorGuids;
    // Messages sent longer ago than this are kept but counted stale and judged by no rule.
    std::optional<double> staleAfterSeconds;
    // At most this many open alerts per answer; "truncated" tells the agent there are more.
    std::size_t interruptPageSize = 50;
    // A batch carrying a GUID the household already holds is refused with 400 "duplicate ..." when
    // true; when false it is answered with the outcome given the first time and not kept twice.
    bool rejectDuplicates = true;

    friend bool operator==(const HouseholdRules&, const HouseholdRules&) = default;
};

}  // namespace kindora::devserver
