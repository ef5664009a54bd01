#pragma once

#include <functional>
#include <string>

#include "core/common/StopToken.hpp"

#include "core/backend/IngestRecords.hpp"
#include "core/backend/PreparedIngestRequest.hpp"

namespace kindora {

// The backend as the sync engine sees it: one ingest call for message batches and read reports.
// Blocks until the answer, throws only BackendError; a stop request aborts it (as a network error).
class IngestBackendClientProtocol {
public:
    virtual ~IngestBackendClientProtocol() = default;

    virtual IngestResponse ingest(const std::string& token, const IngestRequest& batch,
                                  StopToken stop = {}) = 0;

    // As ingest, but calls `readyToSend` after the request is built and before it leaves: the caller
    // may wait there for something the backend must not see the batch before, while the encoding of
    // the request goes on. Clients that build nothing ahead simply call it first.
    virtual IngestResponse ingestWhenReady(const std::string& token, const IngestRequest& batch,
                                           const std::function<void()>& readyToSend, StopToken stop = {}) {
        readyToSend();
        return ingest(token, batch, std::move(stop));
    }

    // As ingestWhenReady, with the body encoded already. Clients that encode nothing send the request.
    virtual IngestResponse ingestPrepared(const std::string& token, const PreparedIngestRequest& prepared,
                                          const std::function<void()>& readyToSend, StopToken stop = {}) {
        return ingestWhenReady(token, prepared.request, readyToSend, std::move(stop));
    }
};

}  // namespace kindora
