#pragma once

#include <cstddef>
#include <cstdint>
#include <future>
#include <optional>
#include <string>

#include "core/messagesdb/ChatDBReading.hpp"
#include "core/sync/InboundPage.hpp"
#include "core/sync/IngestMessageMapper.hpp"

namespace kindora {

// Reads, maps and encodes the pages of a backlog for one sync tick. While the batches of one page are
// on their way to the backend, the next page can be made ready on a thread of its own; it is used only
// when the watermark arrives exactly where that read began, so a batch that is held, refused in part or
// stopped costs a read, never a row. Nothing is sent ahead: the read ahead only prepares.
class InboundPageReader {
public:
    // Pages of at most `pageSize` scanned rows, cut into requests of `batchSize` rows that carry
    // `agentVersion`.
    InboundPageReader(const ChatDBReading& reader, const IngestMessageMapper& mapper, std::int64_t pageSize,
                      std::size_t batchSize, std::optional<std::string> agentVersion);
    InboundPageReader(const InboundPageReader&) = delete;
    InboundPageReader& operator=(const InboundPageReader&) = delete;
    // Waits for a read ahead still running: it uses the reader and the mapper.
    ~InboundPageReader();

    // The page after `afterRowID`: the one read ahead from there, or one read now. Throws what the
    // reader throws (a read ahead's failure included).
    InboundPage read(std::int64_t afterRowID);

    // Starts reading the page after `afterRowID` in the background, in place of an earlier read ahead.
    void readAhead(std::int64_t afterRowID);

private:
    InboundPage readNow(std::int64_t afterRowID) const;
    void discardReadAhead();

    const ChatDBReading& reader_;
    const IngestMessageMapper& mapper_;
    const std::int64_t pageSize_;
    const std::size_t batchSize_;
    const std::optional<std::string> agentVersion_;
    std::optional<std::int64_t> aheadFrom_;
    std::future<InboundPage> ahead_;
};

}  // namespace kindora
