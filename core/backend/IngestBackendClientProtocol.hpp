#pragma once

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

    // As ingest, with the body encoded already. Clients that encode nothing send the request.
    virtual IngestResponse ingestPrepared(const std::string& token, const PreparedIngestRequest& prepared,
                                          StopToken stop = {}) {
        return ingest(token, prepared.request, std::move(stop));
    }
};

}  // namespace kindora
