#include "tools/chatdb/InboundJson.hpp"

#include "core/common/JsonDate.hpp"

namespace kindora::InboundJson {

namespace {

const char* serviceName(Service::Kind kind) {
    switch (kind) {
        case Service::Kind::imessage:
            return "imessage";
        case Service::Kind::sms:
            return "sms";
        case Service::Kind::other:
            break;
    }
    return "other";
}

}  // namespace

nlohmann::ordered_json row(const MessageRow& message) {
    nlohmann::ordered_json json;
    json["rowID"] = message.rowID;
    json["guid"] = message.guid;
    json["service"] = serviceName(message.service.kind);
    if (message.service.kind == Service::Kind::other) {
        json["otherService"] = message.service.name;
    }
    json["senderHandle"] = message.senderHandle;
    if (message.chatIdentifier) {
        json["chatIdentifier"] = *message.chatIdentifier;
    }
    if (message.chatDisplayName) {
        json["chatDisplayName"] = *message.chatDisplayName;
    }
    json["isGroup"] = message.isGroup;
    json["isRead"] = message.isRead;
    json["date"] = JsonDate::encode(message.date);
    if (message.text) {
        json["text"] = *message.text;
    }
    json["hasAttributedBody"] = message.attributedBody.has_value();
    if (const std::optional<std::string> best = message.bestText()) {
        json["bestText"] = *best;
    }
    return json;
}

std::string highestScannedLine(std::int64_t highestScannedRowID) {
    return "{\"highestScannedRowID\": " + std::to_string(highestScannedRowID) + "}";
}

}  // namespace kindora::InboundJson
