#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "core/backend/IngestBackendClientProtocol.hpp"

namespace kindora::testing {

// Passes every ingest call to the real client and counts, per message, how often the engine sent it,
// so that the soak test can tell how many messages went out more than once.
class RecordingIngestClient final : public IngestBackendClientProtocol {
public:
    explicit RecordingIngestClient(IngestBackendClientProtocol& inner);

    IngestResponse ingest(const std::string& token, const IngestRequest& batch,
                          StopToken stop = {}) override;

    // Messages sent in more than one request (after a lost answer, a refusal or a restart).
    std::int64_t resentMessages() const;
    std::int64_t requests() const;

private:
    IngestBackendClientProtocol& inner_;
    mutable std::mutex mutex_;
    std::map<std::string, std::int64_t> sends_;
    std::int64_t requests_ = 0;
};

}  // namespace kindora::testing
