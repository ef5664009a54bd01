#include "core/sync/IngestMessageMapper.hpp"

#include <utility>
#include <vector>

#include "core/common/Utf8.hpp"
#include "core/messagesdb/AttributedBodyDecoder.hpp"
#include "core/sync/MessageText.hpp"

namespace kindora {

bool IngestMessageMapper::isForwardable(const MessageRow& row) {
    return row.service.kind != Service::Kind::other;
}

std::optional<IngestMessage> IngestMessageMapper::takeIngestMessage(MessageRow& row) const {
    std::optional<std::string> text = std::exchange(row.text, std::nullopt);
    std::optional<std::vector<std::uint8_t>> attributedBody = std::exchange(row.attributedBody, std::nullopt);
    if (!isForwardable(row)) {
        logger_.debug("skipping rowID={} with unsupported service '{}'", row.rowID, row.service.name);
        return std::nullopt;
    }
    IngestMessage message;
    switch (row.service.kind) {
        case Service::Kind::imessage:
            message.service = MessageServiceKind::imessage;
            break;
        case Service::Kind::sms:
            message.service = MessageServiceKind::sms;
            break;
        case Service::Kind::other:
            return std::nullopt;
    }
    message.guid = row.guid;
    message.senderHandle = std::move(row.senderHandle);
    if (text) {
        message.text = truncatedText(std::move(*text));
        message.textDecodeFailed = false;
    } else if (auto decoded = AttributedBodyDecoder::decode(attributedBody)) {
        message.text = truncatedText(std::move(*decoded));
        message.textDecodeFailed = false;
    } else {
        message.textDecodeFailed = attributedBody.has_value();
    }
    message.isGroup = row.isGroup;
    message.chatName = std::move(row.chatDisplayName);
    message.sentAt = row.date;
    message.isRead = row.isRead;
    return message;
}

std::string IngestMessageMapper::truncatedText(std::string text) const {
    // One malformed byte must not make the whole batch unencodable.
    std::string valid = Utf8::isValid(text) ? std::move(text) : Utf8::repairing(text);
    // Characters (grapheme clusters) never outnumber code points, and code points never bytes: only a
    // text with more code points than the limit needs segmenting.
    if (valid.size() <= maximumTextLength || Utf8::codePointCount(valid) <= maximumTextLength) {
        return valid;
    }
    std::string prefix = MessageText::prefix(valid, maximumTextLength);
    if (prefix.size() == valid.size()) {
        return valid;
    }
    logger_.debug("truncating message text from {} to {} chars", MessageText::characterCount(valid),
                  maximumTextLength);
    return prefix;
}

}  // namespace kindora
