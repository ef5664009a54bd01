#pragma once

#include <string>

#include "core/backend/IngestRecords.hpp"

namespace kindora {

// An ingest request together with its JSON body, encoded ahead of time: the sync engine encodes the
// next batches while the current one is on its way, so that encoding is not on the path between two
// requests.
struct PreparedIngestRequest {
    IngestRequest request;
    std::string body;  // JsonCoding::encode(toJson(request))

    static PreparedIngestRequest prepare(IngestRequest request);
};

}  // namespace kindora
