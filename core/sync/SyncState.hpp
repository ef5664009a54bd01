#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Date.hpp"
#include "core/sync/PendingReadWatch.hpp"

namespace kindora {

// A state.json text that cannot be read back as a SyncState; what() says what was wrong.
class SyncStateDecodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Everything message sync remembers across restarts: how far inbound messages were forwarded (the
// watermark), when the last clean sync ended, the lifetime count, the read-scan cursor and the
// forwarded messages whose read state is still watched.
struct SyncState {
    static constexpr std::size_t pendingReadWatchCap = 200;

    std::int64_t lastRowID = 0;
    std::optional<Date> lastSyncAt;
    std::int64_t lifetimeSentCount = 0;
    std::int64_t lastReadDateRead = 0;
    std::int64_t lastReadRowID = 0;
    std::vector<PendingReadWatch> pendingReadWatches;  // oldest first

    // Watches `guid` unless it is watched already (the first raisedAt is kept). The oldest watches
    // make room once more than pendingReadWatchCap are held.
    void addPendingReadWatch(const std::string& guid, std::int64_t rowID, Date raisedAt);

    // The state.json text: keys in declaration order, lastSyncAt left out when absent, no spaces.
    std::string encode() const;

    // Reads a state.json text leniently about fields added later: only lastRowID and
    // lifetimeSentCount are required, unknown keys are ignored, and a watch without raisedAt gets
    // JsonDate::earliest(). Throws SyncStateDecodingError (malformed or too deeply nested JSON, a
    // missing key, a value of the wrong type, a bad date).
    static SyncState decode(std::string_view text);

    friend bool operator==(const SyncState&, const SyncState&) = default;
};

}  // namespace kindora
