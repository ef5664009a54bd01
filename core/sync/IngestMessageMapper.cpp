#include "core/sync/IngestMessageMapper.hpp"

#include "core/messagesdb/AttributedBodyDecoder.hpp"
#include "core/messagesdb/Utf8.hpp"
#include "core/sync/MessageText.hpp"

namespace kindora {

std::optional<IngestMessage> IngestMessageMapper::makeIngestMessage(const MessageRow& row) const {
    IngestMessage message;
    switch (row.service.kind) {
        case Service::Kind::imessage:
            message.service = MessageServiceKind::imessage;
            break;
        case Service::Kind::sms:
            message.service = MessageServiceKind::sms;
            break;
        case Service::Kind::other:
            logger_.debug("skipping rowID={} with unsupported service '{}'", row.rowID, row.service.name);
            return std::nullopt;
    }
    message.guid = row.guid;
    message.senderHandle = row.senderHandle;
    if (row.text) {
        message.text = truncatedText(*row.text);
        message.textDecodeFailed = false;
    } else if (auto decoded = AttributedBodyDecoder::decode(row.attributedBody)) {
        message.text = truncatedText(*decoded);
        message.textDecodeFailed = false;
    } else {
        message.textDecodeFailed = row.attributedBody.has_value();
    }
    message.isGroup = row.isGroup;
    message.chatName = row.chatDisplayName;
    message.sentAt = row.date;
    message.isRead = row.isRead;
    return message;
}

std::string IngestMessageMapper::truncatedText(const std::string& text) const {
    // One malformed byte must not make the whole batch unencodable.
    std::string valid = Utf8::isValid(text) ? text : Utf8::repairing(text);
    if (valid.size() <= maximumTextLength) {
        return valid;  // fewer bytes than the limit means fewer characters
    }
    const std::size_t count = MessageText::characterCount(valid);
    if (count <= maximumTextLength) {
        return valid;
    }
    logger_.debug("truncating message text from {} to {} chars", count, maximumTextLength);
    return MessageText::prefix(valid, maximumTextLength);
}

}  // namespace kindora
