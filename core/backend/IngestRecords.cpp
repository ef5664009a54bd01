#include "core/backend/IngestRecords.hpp"

#include "core/common/JsonDate.hpp"
#include "core/common/JsonObjectReader.hpp"

namespace kindora {
namespace {

IngestMessage decodeMessage(const nlohmann::json& json, std::string context) {
    const JsonObjectReader reader(json, std::move(context));
    IngestMessage message;
    message.guid = reader.requiredString("guid");
    const std::string service = reader.requiredString("service");
    const auto kind = messageServiceKindFromWire(service);
    if (!kind) {
        throw reader.error("service", "Unknown service \"" + service + "\"");
    }
    message.service = *kind;
    message.senderHandle = reader.requiredString("senderHandle");
    message.senderName = reader.optionalString("senderName");
    message.text = reader.optionalString("text");
    message.textDecodeFailed = reader.optionalBool("textDecodeFailed");
    message.isGroup = reader.requiredBool("isGroup");
    message.chatName = reader.optionalString("chatName");
    message.sentAt = reader.requiredDate("sentAt");
    message.isRead = reader.requiredBool("isRead");
    return message;
}

IngestRead decodeRead(const nlohmann::json& json, std::string context) {
    const JsonObjectReader reader(json, std::move(context));
    return IngestRead{reader.requiredString("guid")};
}

IngestOutcome decodeOutcome(const nlohmann::json& json, std::string context) {
    const JsonObjectReader reader(json, std::move(context));
    IngestOutcome outcome;
    outcome.guid = reader.requiredString("guid");
    const std::string wire = reader.requiredString("outcome");
    const auto kind = ingestOutcomeKindFromWire(wire);
    if (!kind) {
        throw reader.error("outcome", "Unknown outcome \"" + wire + "\"");
    }
    outcome.outcome = *kind;
    return outcome;
}

}  // namespace

std::string_view toWire(MessageServiceKind kind) {
    return kind == MessageServiceKind::sms ? "sms" : "imessage";
}

std::optional<MessageServiceKind> messageServiceKindFromWire(std::string_view wire) {
    if (wire == "imessage") {
        return MessageServiceKind::imessage;
    }
    if (wire == "sms") {
        return MessageServiceKind::sms;
    }
    return std::nullopt;
}

std::string_view toWire(IngestOutcomeKind kind) {
    switch (kind) {
        case IngestOutcomeKind::raised:
            return "raised";
        case IngestOutcomeKind::noMatch:
            return "no-match";
        case IngestOutcomeKind::error:
            return "error";
    }
    return "error";
}

std::optional<IngestOutcomeKind> ingestOutcomeKindFromWire(std::string_view wire) {
    if (wire == "raised") {
        return IngestOutcomeKind::raised;
    }
    if (wire == "no-match") {
        return IngestOutcomeKind::noMatch;
    }
    if (wire == "error") {
        return IngestOutcomeKind::error;
    }
    return std::nullopt;
}

nlohmann::ordered_json toJson(const IngestMessage& message) {
    nlohmann::ordered_json json;
    json["guid"] = message.guid;
    json["service"] = toWire(message.service);
    json["senderHandle"] = message.senderHandle;
    if (message.senderName) {
        json["senderName"] = *message.senderName;
    }
    if (message.text) {
        json["text"] = *message.text;
    }
    if (message.textDecodeFailed) {
        json["textDecodeFailed"] = *message.textDecodeFailed;
    }
    json["isGroup"] = message.isGroup;
    if (message.chatName) {
        json["chatName"] = *message.chatName;
    }
    json["sentAt"] = JsonDate::encode(message.sentAt);
    json["isRead"] = message.isRead;
    return json;
}

nlohmann::ordered_json toJson(const IngestRead& read) {
    nlohmann::ordered_json json;
    json["guid"] = read.guid;
    return json;
}

nlohmann::ordered_json toJson(const IngestRequest& request) {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    if (request.cursor) {
        json["cursor"] = *request.cursor;
    }
    if (request.agentVersion) {
        json["agentVersion"] = *request.agentVersion;
    }
    auto& messages = json["messages"] = nlohmann::ordered_json::array();
    for (const auto& message : request.messages) {
        messages.push_back(toJson(message));
    }
    if (request.reads) {
        auto& reads = json["reads"] = nlohmann::ordered_json::array();
        for (const auto& read : *request.reads) {
            reads.push_back(toJson(read));
        }
    }
    return json;
}

nlohmann::ordered_json toJson(const IngestOutcome& outcome) {
    nlohmann::ordered_json json;
    json["guid"] = outcome.guid;
    json["outcome"] = toWire(outcome.outcome);
    return json;
}

nlohmann::ordered_json toJson(const IngestResponse& response) {
    nlohmann::ordered_json json;
    auto& outcomes = json["outcomes"] = nlohmann::ordered_json::array();
    for (const auto& outcome : response.outcomes) {
        outcomes.push_back(toJson(outcome));
    }
    json["accepted"] = response.accepted;
    json["stale"] = response.stale;
    json["alreadyRead"] = response.alreadyRead;
    json["resolved"] = response.resolved;
    return json;
}

template <>
IngestMessage fromJson<IngestMessage>(const nlohmann::json& json) {
    return decodeMessage(json, "IngestMessage");
}

template <>
IngestRead fromJson<IngestRead>(const nlohmann::json& json) {
    return decodeRead(json, "IngestRead");
}

template <>
IngestRequest fromJson<IngestRequest>(const nlohmann::json& json) {
    const JsonObjectReader reader(json, "IngestRequest");
    IngestRequest request;
    request.cursor = reader.optionalString("cursor");
    request.agentVersion = reader.optionalString("agentVersion");
    request.messages = reader.requiredArrayOf("messages", decodeMessage);
    request.reads = reader.optionalArrayOf("reads", decodeRead);
    return request;
}

template <>
IngestOutcome fromJson<IngestOutcome>(const nlohmann::json& json) {
    return decodeOutcome(json, "IngestOutcome");
}

template <>
IngestResponse fromJson<IngestResponse>(const nlohmann::json& json) {
    const JsonObjectReader reader(json, "IngestResponse");
    IngestResponse response;
    response.outcomes = reader.requiredArrayOf("outcomes", decodeOutcome);
    response.accepted = reader.requiredInt("accepted");
    response.stale = reader.optionalInt("stale").value_or(0);
    response.alreadyRead = reader.optionalInt("alreadyRead").value_or(0);
    response.resolved = reader.optionalInt("resolved").value_or(0);
    return response;
}

}  // namespace kindora
