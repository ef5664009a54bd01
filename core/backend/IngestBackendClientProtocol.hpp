#pragma once

#include "core/common/StopToken.hpp"
#include <string>

#include "core/backend/IngestRecords.hpp"

namespace kindora {

// The backend as the sync engine sees it: one ingest call for message batches and read reports.
// Blocks until the answer, throws only BackendError; a stop request aborts it (as a network error).
class IngestBackendClientProtocol {
public:
    virtual ~IngestBackendClientProtocol() = default;

    virtual IngestResponse ingest(const std::string& token, const IngestRequest& batch,
                                  StopToken stop = {}) = 0;
};

}  // namespace kindora
