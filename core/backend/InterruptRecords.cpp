#include "core/backend/InterruptRecords.hpp"

#include "core/common/JsonDate.hpp"
#include "core/common/JsonObjectReader.hpp"

namespace kindora {
namespace {

Uuid requiredUuid(const JsonObjectReader& reader, std::string_view key) {
    const std::string text = reader.requiredString(key);
    auto uuid = Uuid::parse(text);
    if (!uuid) {
        throw reader.error(key, "Expected a UUID, got \"" + text + "\"");
    }
    return *std::move(uuid);
}

Interrupt decodeInterrupt(const nlohmann::json& json, std::string context) {
    const JsonObjectReader reader(json, std::move(context));
    Interrupt interrupt;
    interrupt.id = requiredUuid(reader, "id");
    interrupt.title = reader.requiredString("title");
    interrupt.body = reader.requiredString("body");
    interrupt.urgency = interruptUrgencyFromWire(reader.requiredString("urgency"));
    interrupt.source = reader.requiredString("source");
    interrupt.raisedAt = reader.requiredDate("raisedAt");
    interrupt.requiresResolution = reader.requiredBool("requiresResolution");
    interrupt.canResolve = reader.optionalBool("canResolve").value_or(true);
    interrupt.groupKey = reader.optionalString("groupKey");
    interrupt.calendarLabel = reader.optionalString("calendarLabel");
    return interrupt;
}

}  // namespace

std::string_view toWire(InterruptUrgency urgency) {
    return urgency == InterruptUrgency::urgent ? "URGENT" : "CRITICAL";
}

InterruptUrgency interruptUrgencyFromWire(std::string_view wire) {
    return wire == "URGENT" ? InterruptUrgency::urgent : InterruptUrgency::critical;
}

nlohmann::ordered_json toJson(const Interrupt& interrupt) {
    nlohmann::ordered_json json;
    json["id"] = interrupt.id.text();
    json["title"] = interrupt.title;
    json["body"] = interrupt.body;
    json["urgency"] = toWire(interrupt.urgency);
    json["source"] = interrupt.source;
    json["raisedAt"] = JsonDate::encode(interrupt.raisedAt);
    json["requiresResolution"] = interrupt.requiresResolution;
    json["canResolve"] = interrupt.canResolve;
    if (interrupt.groupKey) {
        json["groupKey"] = *interrupt.groupKey;
    }
    if (interrupt.calendarLabel) {
        json["calendarLabel"] = *interrupt.calendarLabel;
    }
    return json;
}

nlohmann::ordered_json toJson(const InterruptsResponse& response) {
    nlohmann::ordered_json json;
    auto& interrupts = json["interrupts"] = nlohmann::ordered_json::array();
    for (const auto& interrupt : response.interrupts) {
        interrupts.push_back(toJson(interrupt));
    }
    json["truncated"] = response.truncated;
    return json;
}

nlohmann::ordered_json toJson(const AlertActionResponse& response) {
    nlohmann::ordered_json json;
    json["id"] = response.id.text();
    json["status"] = response.status;
    return json;
}

template <>
Interrupt fromJson<Interrupt>(const nlohmann::json& json) {
    return decodeInterrupt(json, "Interrupt");
}

template <>
InterruptsResponse fromJson<InterruptsResponse>(const nlohmann::json& json) {
    const JsonObjectReader reader(json, "InterruptsResponse");
    InterruptsResponse response;
    auto interrupts = reader.lossyArrayOf("interrupts", decodeInterrupt);
    response.interrupts = std::move(interrupts.elements);
    response.skipped = interrupts.skipped;
    response.truncated = reader.optionalBool("truncated").value_or(false);
    return response;
}

template <>
AlertActionResponse fromJson<AlertActionResponse>(const nlohmann::json& json) {
    const JsonObjectReader reader(json, "AlertActionResponse");
    AlertActionResponse response;
    response.id = requiredUuid(reader, "id");
    response.status = reader.requiredString("status");
    return response;
}

}  // namespace kindora
