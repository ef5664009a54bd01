#include "core/backend/PreparedIngestRequest.hpp"

#include <utility>

#include "core/common/JsonCoding.hpp"

namespace kindora {

PreparedIngestRequest PreparedIngestRequest::prepare(IngestRequest request) {
    PreparedIngestRequest prepared;
    prepared.body = JsonCoding::encode(toJson(request));
    prepared.request = std::move(request);
    return prepared;
}

}  // namespace kindora
