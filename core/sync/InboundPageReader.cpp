#include "core/sync/InboundPageReader.hpp"

#include <algorithm>
#include <utility>

namespace kindora {

InboundPageReader::InboundPageReader(const ChatDBReading& reader, const IngestMessageMapper& mapper,
                                     std::int64_t pageSize, std::size_t batchSize,
                                     std::optional<std::string> agentVersion)
    : reader_(reader),
      mapper_(mapper),
      pageSize_(pageSize),
      batchSize_(batchSize),
      agentVersion_(std::move(agentVersion)) {}

InboundPageReader::~InboundPageReader() {
    discardReadAhead();
}

InboundPage InboundPageReader::read(std::int64_t afterRowID) {
    if (aheadFrom_ == afterRowID) {
        aheadFrom_.reset();
        return ahead_.get();
    }
    discardReadAhead();
    return readNow(afterRowID);
}

void InboundPageReader::readAhead(std::int64_t afterRowID) {
    discardReadAhead();
    ahead_ = std::async(std::launch::async, [this, afterRowID] { return readNow(afterRowID); });
    aheadFrom_ = afterRowID;
}

InboundPage InboundPageReader::readNow(std::int64_t afterRowID) const {
    InboundFetchResult fetched = reader_.fetchInbound(afterRowID, pageSize_);
    InboundPage page;
    page.highestScannedRowID = fetched.highestScannedRowID;
    for (std::size_t start = 0; start < fetched.rows.size(); start += batchSize_) {
        IngestRequest request;
        request.agentVersion = agentVersion_;
        const std::size_t end = std::min(start + batchSize_, fetched.rows.size());
        for (std::size_t index = start; index < end; ++index) {
            if (auto message = mapper_.takeIngestMessage(fetched.rows[index])) {
                request.messages.push_back(std::move(*message));
            }
        }
        page.batches.push_back(PreparedIngestRequest::prepare(std::move(request)));
    }
    page.rows = std::move(fetched.rows);
    return page;
}

void InboundPageReader::discardReadAhead() {
    aheadFrom_.reset();
    if (ahead_.valid()) {
        ahead_.wait();  // its failure, if any, concerns a page nobody reads
        ahead_ = {};
    }
}

}  // namespace kindora
