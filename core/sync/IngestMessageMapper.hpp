#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "core/backend/IngestRecords.hpp"
#include "core/common/Log.hpp"
#include "core/messagesdb/MessageRow.hpp"

namespace kindora {

// Turns a row of the Messages database into the message the ingest endpoint receives: the service,
// the text (from the text column or the archived attributed body), cut to the length limit and made
// valid UTF-8, and the row's sender, chat and dates.
class IngestMessageMapper {
public:
    static constexpr std::size_t maximumTextLength = 10000;  // characters (grapheme clusters)

    // Whether the row is of a service the backend takes.
    static bool isForwardable(const MessageRow& row);
    // Nothing for a row that is not forwardable. Moves the row's text, attributed body, sender and chat
    // name into the message, forwardable or not: the row keeps what the watermark and the backend's
    // outcomes are matched by (row id, GUID, service), and a page's text is held once, in its requests.
    std::optional<IngestMessage> takeIngestMessage(MessageRow& row) const;
    // At most maximumTextLength characters.
    std::string truncatedText(std::string text) const;

private:
    const Log logger_{"Sync"};
};

}  // namespace kindora
