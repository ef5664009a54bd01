#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/backend/IngestBackendClientProtocol.hpp"
#include "core/common/Log.hpp"
#include "core/common/StopToken.hpp"
#include "core/common/SyncClock.hpp"
#include "core/messagesdb/ChatDBReading.hpp"
#include "core/sync/SyncState.hpp"

namespace kindora {

// Tells the backend which forwarded messages the user has read, so that alerts raised for messages
// already seen can stand down. Two sources feed a report: a scan of messages read lately, walked with
// the state's cursor, and the pending read watches (a watched message also counts as read once the
// user wrote anything after it in the same chat). Works on the sync tick's copy of the state.
class ReadReporter {
public:
    static constexpr double scanWindow = 86400.0;  // only messages dated within the last day
    static constexpr std::int64_t scanPageSize = 100;
    static constexpr double watchLifetime = 86400.0;
    static constexpr std::size_t maximumReadsPerReport = 100;

    enum class Outcome {
        nothingToReport,  // the cursor moved over the scanned rows
        reported,         // the backend took the report; cursor and watches moved
        failed,           // logged; cursor and watches stay, so the same reads go again
        stopped,          // cut short by a stop: no failure
        revoked,          // the backend says the device is revoked
    };

    // `onBackendContact` is called after the backend took a report.
    ReadReporter(const ChatDBReading& reader, IngestBackendClientProtocol& ingestClient, SyncClock clock,
                 std::optional<std::string> agentVersion, std::function<void()> onBackendContact);

    Outcome reportReads(const std::string& token, SyncState& state, const StopToken& stop);

private:
    const ChatDBReading& reader_;
    IngestBackendClientProtocol& ingestClient_;
    const SyncClock clock_;
    const std::optional<std::string> agentVersion_;
    const std::function<void()> onBackendContact_;
    const Log logger_{"Sync"};
};

}  // namespace kindora
