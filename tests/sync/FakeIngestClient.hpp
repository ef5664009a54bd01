#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/backend/IngestBackendClientProtocol.hpp"

namespace kindora::testing {

// An ingest endpoint in memory: records every request and answers through a replaceable responder
// (by default: "no-match" for every message, and read reports accepted). A responder may throw a
// BackendError to play a failing backend.
class FakeIngestClient final : public IngestBackendClientProtocol {
public:
    using Responder = std::function<IngestResponse(const IngestRequest& request)>;

    IngestResponse ingest(const std::string& token, const IngestRequest& batch,
                          StopToken stop = {}) override;

    void setResponder(Responder responder);
    // Answers each message by the outcome its guid maps to ("no-match" when not listed).
    void setOutcomes(std::function<IngestOutcomeKind(const std::string& guid)> outcomeFor);

    std::vector<IngestRequest> requests() const;
    std::vector<IngestRequest> messageBatches() const;
    std::vector<IngestRequest> readReports() const;
    std::vector<std::string> tokens() const;
    void clear();

    static IngestResponse allNoMatch(const IngestRequest& request);

private:
    mutable std::mutex mutex_;
    Responder responder_ = allNoMatch;
    std::vector<IngestRequest> requests_;
    std::vector<std::string> tokens_;
};

}  // namespace kindora::testing
