#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "core/backend/IngestBackendClientProtocol.hpp"

namespace kindora::testing {

// Passes every ingest call to the real client and keeps the books the soak test needs: how often
// each message was sent, which batches the engine's 400 rules give up on (mirroring those rules, so
// that the test can account for every message they drop), and how many messages were sent again
// although the household already held them.
class RecordingIngestClient final : public IngestBackendClientProtocol {
public:
    // `holds` tells whether the household already has a message (asked only after a failed request,
    // when an answer may have been lost).
    RecordingIngestClient(IngestBackendClientProtocol& inner,
                          std::function<std::set<std::string>()> heldGUIDs);

    IngestResponse ingest(const std::string& token, const IngestRequest& batch,
                          StopToken stop = {}) override;

    // A new engine starts its duplicate count afresh.
    void engineRecreated();

    std::set<std::string> droppedGUIDs() const;
    std::int64_t droppedBatches() const;
    std::int64_t duplicateSends() const;
    std::int64_t requests() const;

private:
    void recordRejection(const IngestRequest& batch, const std::optional<std::string>& bodyMessage);

    IngestBackendClientProtocol& inner_;
    std::function<std::set<std::string>()> heldGUIDs_;
    mutable std::mutex mutex_;
    bool previousFailed_ = false;
    std::optional<std::string> duplicateHead_;
    std::int64_t duplicateCount_ = 0;
    std::set<std::string> dropped_;
    std::int64_t droppedBatches_ = 0;
    std::int64_t duplicateSends_ = 0;
    std::int64_t requests_ = 0;
};

}  // namespace kindora::testing
