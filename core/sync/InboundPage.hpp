#pragma once

#include <cstdint>
#include <vector>

#include "core/backend/IngestRecords.hpp"
#include "core/backend/PreparedIngestRequest.hpp"
#include "core/messagesdb/MessageRow.hpp"

namespace kindora {

// Rows after the watermark and the requests of their batches, encoded. Once mapped, a row keeps only
// what the watermark and the outcomes need: its text, attributed body, sender and chat name move into
// the request, so that the text is held there only.
struct InboundPage {
    std::vector<MessageRow> rows;
    // One per batch of rows, in order: the messages of the forwardable rows among
    // [i * batch size, (i + 1) * batch size), in row order.
    std::vector<PreparedIngestRequest> batches;
    std::int64_t highestScannedRowID = 0;
};

}  // namespace kindora
