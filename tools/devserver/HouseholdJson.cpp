#include "tools/devserver/HouseholdJson.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "core/backend/IngestRecords.hpp"
#include "core/common/JsonDate.hpp"
#include "core/common/JsonObjectReader.hpp"

namespace kindora::devserver::HouseholdJson {
namespace {

using nlohmann::ordered_json;

constexpr std::int64_t stateFormat = 1;

template <typename T>
void putOptional(ordered_json& json, const char* key, const std::optional<T>& value) {
    if (value) {
        json[key] = *value;
    }
}

void putOptionalDate(ordered_json& json, const char* key, const std::optional<Date>& value) {
    if (value) {
        json[key] = JsonDate::encode(*value);
    }
}

template <typename Item, typename Decode>
std::vector<Item> decodeArray(const JsonObjectReader& reader, std::string_view key, Decode decode) {
    return reader.optionalArrayOf(key, decode).value_or(std::vector<Item>{});
}

std::vector<std::string> decodeStrings(const JsonObjectReader& reader, std::string_view key) {
    return decodeArray<std::string>(reader, key, [&](const nlohmann::json& value, const std::string&) {
        if (!value.is_string()) {
            throw reader.error(key, "Expected an array of strings");
        }
        return value.get<std::string>();
    });
}

Uuid decodeUuid(const JsonObjectReader& reader, std::string_view key) {
    const auto uuid = Uuid::parse(reader.requiredString(key));
    if (!uuid) {
        throw reader.error(key, "Expected a UUID");
    }
    return *uuid;
}

InterruptUrgency decodeUrgency(const JsonObjectReader& reader, std::string_view key,
                               InterruptUrgency fallback) {
    const auto text = reader.optionalString(key);
    if (!text) {
        return fallback;
    }
    if (*text != "URGENT" && *text != "CRITICAL") {
        throw reader.error(key, "Expected \"URGENT\" or \"CRITICAL\"");
    }
    return interruptUrgencyFromWire(*text);
}

double decodeSeconds(const JsonObjectReader& reader, std::string_view key) {
    const nlohmann::json* value = reader.find(key);
    if (value == nullptr || !value->is_number() || !std::isfinite(value->get<double>())) {
        throw reader.error(key, "Expected a number of seconds");
    }
    return value->get<double>();
}

std::optional<double> optionalSeconds(const JsonObjectReader& reader, std::string_view key) {
    if (reader.find(key) == nullptr) {
        return std::nullopt;
    }
    return decodeSeconds(reader, key);
}

Device decodeDevice(const nlohmann::json& json, const std::string& context) {
    const JsonObjectReader reader(json, context);
    Device device;
    device.id = reader.requiredString("id");
    device.tokenDigest = reader.requiredString("tokenDigest");
    device.name = reader.requiredString("name");
    device.platform = reader.requiredString("platform");
    device.agentVersion = reader.optionalString("agentVersion");
    const auto state = deviceStateFromString(reader.requiredString("state"));
    if (!state) {
        throw reader.error("state", "Expected pending, active or revoked");
    }
    device.state = *state;
    device.code = reader.requiredString("code");
    device.createdAt = reader.requiredDate("createdAt");
    device.codeExpiresAt = reader.requiredDate("codeExpiresAt");
    device.confirmedAt = reader.optionalDate("confirmedAt");
    device.revokedAt = reader.optionalDate("revokedAt");
    device.lastSeenAt = reader.optionalDate("lastSeenAt");
    device.cursor = reader.optionalString("cursor");
    device.queuedCommands = decodeStrings(reader, "queuedCommands");
    return device;
}

StoredMessage decodeMessage(const nlohmann::json& json, const std::string& context) {
    const JsonObjectReader reader(json, context);
    StoredMessage stored;
    stored.deviceId = reader.requiredString("deviceId");
    const nlohmann::json* message = reader.find("message");
    if (message == nullptr) {
        throw reader.error("message", "Missing");
    }
    stored.message = fromJson<IngestMessage>(*message);
    const auto outcome = ingestOutcomeKindFromWire(reader.requiredString("outcome"));
    if (!outcome) {
        throw reader.error("outcome", "Expected raised, no-match or error");
    }
    stored.outcome = *outcome;
    stored.stale = reader.optionalBool("stale").value_or(false);
    stored.receivedAt = reader.requiredDate("receivedAt");
    stored.readAt = reader.optionalDate("readAt");
    return stored;
}

StoredRead decodeRead(const nlohmann::json& json, const std::string& context) {
    const JsonObjectReader reader(json, context);
    StoredRead read;
    read.deviceId = reader.requiredString("deviceId");
    read.guid = reader.requiredString("guid");
    read.receivedAt = reader.requiredDate("receivedAt");
    const auto result = readResultFromString(reader.requiredString("result"));
    if (!result) {
        throw reader.error("result", "Expected markedRead, alreadyRead or unknownMessage");
    }
    read.result = *result;
    return read;
}

StoredAlert decodeAlert(const nlohmann::json& json, const std::string& context) {
    const JsonObjectReader reader(json, context);
    StoredAlert alert;
    const nlohmann::json* interrupt = reader.find("interrupt");
    if (interrupt == nullptr) {
        throw reader.error("interrupt", "Missing");
    }
    alert.interrupt = fromJson<Interrupt>(*interrupt);
    const auto state = alertStateFromString(reader.requiredString("state"));
    if (!state) {
        throw reader.error("state", "Expected open, acknowledged or resolved");
    }
    alert.state = *state;
    alert.sourceGuid = reader.optionalString("sourceGuid");
    alert.handledByDeviceId = reader.optionalString("handledByDeviceId");
    alert.handledAt = reader.optionalDate("handledAt");
    return alert;
}

KeywordRule decodeKeywordRule(const nlohmann::json& json, const std::string& context) {
    const JsonObjectReader reader(json, context);
    KeywordRule rule;
    rule.keyword = reader.requiredString("keyword");
    if (rule.keyword.empty()) {
        throw reader.error("keyword", "Must not be empty");
    }
    rule.title = reader.optionalString("title").value_or("");
    rule.urgency = decodeUrgency(reader, "urgency", InterruptUrgency::critical);
    rule.requiresResolution = reader.optionalBool("requiresResolution").value_or(false);
    rule.canResolve = reader.optionalBool("canResolve").value_or(true);
    rule.groupKey = reader.optionalString("groupKey");
    return rule;
}

}  // namespace

ordered_json encode(const Device& device, DeviceForm form) {
    ordered_json json;
    json["id"] = device.id;
    if (form == DeviceForm::stateFile) {
        json["tokenDigest"] = device.tokenDigest;
    }
    json["name"] = device.name;
    json["platform"] = device.platform;
    putOptional(json, "agentVersion", device.agentVersion);
    json["state"] = toString(device.state);
    json["code"] = device.code;
    json["createdAt"] = JsonDate::encode(device.createdAt);
    json["codeExpiresAt"] = JsonDate::encode(device.codeExpiresAt);
    putOptionalDate(json, "confirmedAt", device.confirmedAt);
    putOptionalDate(json, "revokedAt", device.revokedAt);
    putOptionalDate(json, "lastSeenAt", device.lastSeenAt);
    putOptional(json, "cursor", device.cursor);
    json["queuedCommands"] = device.queuedCommands;
    return json;
}

ordered_json encode(const StoredMessage& message) {
    ordered_json json;
    json["deviceId"] = message.deviceId;
    json["message"] = toJson(message.message);
    json["outcome"] = toWire(message.outcome);
    json["stale"] = message.stale;
    json["receivedAt"] = JsonDate::encode(message.receivedAt);
    putOptionalDate(json, "readAt", message.readAt);
    return json;
}

ordered_json encode(const StoredRead& read) {
    ordered_json json;
    json["deviceId"] = read.deviceId;
    json["guid"] = read.guid;
    json["receivedAt"] = JsonDate::encode(read.receivedAt);
    json["result"] = toString(read.result);
    return json;
}

ordered_json encode(const StoredAlert& alert) {
    ordered_json json;
    json["interrupt"] = toJson(alert.interrupt);
    json["state"] = toString(alert.state);
    putOptional(json, "sourceGuid", alert.sourceGuid);
    putOptional(json, "handledByDeviceId", alert.handledByDeviceId);
    putOptionalDate(json, "handledAt", alert.handledAt);
    return json;
}

ordered_json encode(const HouseholdRules& rules) {
    ordered_json json;
    auto& keywords = json["keywords"] = ordered_json::array();
    for (const KeywordRule& rule : rules.keywords) {
        ordered_json item;
        item["keyword"] = rule.keyword;
        item["title"] = rule.title;
        item["urgency"] = toWire(rule.urgency);
        item["requiresResolution"] = rule.requiresResolution;
        item["canResolve"] = rule.canResolve;
        putOptional(item, "groupKey", rule.groupKey);
        keywords.push_back(std::move(item));
    }
    json["errorGuids"] = rules.errorGuids;
    putOptional(json, "staleAfterSeconds", rules.staleAfterSeconds);
    json["interruptPageSize"] = rules.interruptPageSize;
    json["rejectDuplicates"] = rules.rejectDuplicates;
    return json;
}

ordered_json encode(const FaultRule& rule) {
    ordered_json json;
    json["endpoint"] = rule.endpoint;
    json["kind"] = toString(rule.fault.kind);
    json["count"] = rule.remaining;
    if (rule.fault.kind == FaultKind::status) {
        json["status"] = rule.fault.status;
        json["body"] = rule.fault.body;
    }
    if (rule.fault.kind == FaultKind::delay) {
        json["delaySeconds"] = rule.fault.delaySeconds;
    }
    return json;
}

ordered_json encodeState(const HouseholdSnapshot& snapshot) {
    ordered_json json;
    json["format"] = stateFormat;
    auto& devices = json["devices"] = ordered_json::array();
    for (const Device& device : snapshot.devices) {
        devices.push_back(encode(device, DeviceForm::stateFile));
    }
    auto& messages = json["messages"] = ordered_json::array();
    for (const StoredMessage& message : snapshot.messages) {
        messages.push_back(encode(message));
    }
    auto& reads = json["reads"] = ordered_json::array();
    for (const StoredRead& read : snapshot.reads) {
        reads.push_back(encode(read));
    }
    auto& alerts = json["alerts"] = ordered_json::array();
    for (const StoredAlert& alert : snapshot.alerts) {
        alerts.push_back(encode(alert));
    }
    auto& meetings = json["meetings"] = ordered_json::array();
    for (const Meeting& meeting : snapshot.meetings) {
        meetings.push_back(toJson(meeting));
    }
    json["rules"] = encode(snapshot.rules);
    return json;
}

HouseholdSnapshot decodeState(const nlohmann::json& json) {
    const JsonObjectReader reader(json, "state");
    if (reader.requiredInt("format") != stateFormat) {
        throw reader.error("format", "Unsupported state format");
    }
    HouseholdSnapshot snapshot;
    snapshot.devices = decodeArray<Device>(reader, "devices", decodeDevice);
    snapshot.messages = decodeArray<StoredMessage>(reader, "messages", decodeMessage);
    snapshot.reads = decodeArray<StoredRead>(reader, "reads", decodeRead);
    snapshot.alerts = decodeArray<StoredAlert>(reader, "alerts", decodeAlert);
    snapshot.meetings = decodeArray<Meeting>(
        reader, "meetings",
        [](const nlohmann::json& item, const std::string&) { return fromJson<Meeting>(item); });
    if (const nlohmann::json* rules = reader.find("rules")) {
        snapshot.rules = decodeRules(*rules);
    }
    return snapshot;
}

Interrupt decodeInterruptDraft(const nlohmann::json& json, Date now) {
    const JsonObjectReader reader(json, "interrupt");
    Interrupt interrupt;
    interrupt.id = reader.find("id") != nullptr ? decodeUuid(reader, "id") : Uuid::random();
    interrupt.title = reader.requiredString("title");
    interrupt.body = reader.optionalString("body").value_or("");
    interrupt.urgency = decodeUrgency(reader, "urgency", InterruptUrgency::critical);
    interrupt.source = reader.optionalString("source").value_or("household");
    if (reader.find("raisedAt") != nullptr) {
        interrupt.raisedAt = reader.requiredDate("raisedAt");
    } else {
        interrupt.raisedAt = now + Seconds(-optionalSeconds(reader, "raisedSecondsAgo").value_or(0));
    }
    interrupt.requiresResolution = reader.optionalBool("requiresResolution").value_or(false);
    interrupt.canResolve = reader.optionalBool("canResolve").value_or(true);
    interrupt.groupKey = reader.optionalString("groupKey");
    interrupt.calendarLabel = reader.optionalString("calendarLabel");
    return interrupt;
}

Meeting decodeMeetingDraft(const nlohmann::json& json, Date now) {
    const JsonObjectReader reader(json, "meeting");
    Meeting meeting;
    meeting.id = reader.optionalString("id").value_or(Uuid::random().text());
    meeting.title = reader.requiredString("title");
    if (reader.find("startsAt") != nullptr) {
        meeting.startsAt = reader.requiredDate("startsAt");
    } else {
        meeting.startsAt = now + Seconds(decodeSeconds(reader, "startsInSeconds"));
    }
    meeting.endsAt = reader.optionalDate("endsAt");
    if (const auto duration = optionalSeconds(reader, "durationSeconds")) {
        meeting.endsAt = meeting.startsAt + Seconds(*duration);
    }
    meeting.joinUrl = reader.optionalString("joinUrl");
    if (const auto provider = reader.optionalString("provider")) {
        meeting.provider = meetingProviderFromWire(*provider);
        if (toWire(meeting.provider) != *provider) {
            throw reader.error("provider", "Expected meet, zoom, teams, webex or other");
        }
    }
    meeting.calendarLabel = reader.optionalString("calendarLabel").value_or("");
    return meeting;
}

HouseholdRules decodeRules(const nlohmann::json& json) {
    const JsonObjectReader reader(json, "rules");
    HouseholdRules rules;
    rules.keywords = decodeArray<KeywordRule>(reader, "keywords", decodeKeywordRule);
    for (std::string& guid : decodeStrings(reader, "errorGuids")) {
        rules.errorGuids.insert(std::move(guid));
    }
    rules.staleAfterSeconds = optionalSeconds(reader, "staleAfterSeconds");
    if (const auto pageSize = reader.optionalInt("interruptPageSize")) {
        if (*pageSize < 0) {
            throw reader.error("interruptPageSize", "Must not be negative");
        }
        rules.interruptPageSize = static_cast<std::size_t>(*pageSize);
    }
    rules.rejectDuplicates = reader.optionalBool("rejectDuplicates").value_or(true);
    return rules;
}

FaultRule decodeFaultRule(const nlohmann::json& json) {
    const JsonObjectReader reader(json, "fault");
    FaultRule rule;
    rule.endpoint = reader.requiredString("endpoint");
    static constexpr std::string_view endpoints[] = {
        "*",          "createPairing", "pairingStatus", "heartbeat",   "ingest",
        "interrupts", "fetchMeetings", "ackAlert",      "resolveAlert"};
    if (std::find(std::begin(endpoints), std::end(endpoints), rule.endpoint) == std::end(endpoints)) {
        throw reader.error("endpoint", "Expected an endpoint name such as ingest, or *");
    }
    const auto kind = faultKindFromString(reader.requiredString("kind"));
    if (!kind) {
        throw reader.error("kind", "Expected status, delay, malformed, drop or unanswered");
    }
    rule.fault.kind = *kind;
    const std::int64_t count = reader.optionalInt("count").value_or(1);
    if (count < 1 || count > 1'000'000) {
        throw reader.error("count", "Expected a count from 1 to 1000000");
    }
    rule.remaining = static_cast<int>(count);
    if (rule.fault.kind == FaultKind::status) {
        const std::int64_t status = reader.requiredInt("status");
        if (status < 100 || status > 599) {
            throw reader.error("status", "Expected an HTTP status from 100 to 599");
        }
        rule.fault.status = static_cast<int>(status);
        // The body may be given as text (sent as it is) or as any JSON value (sent encoded).
        const nlohmann::json* body = reader.find("body");
        if (body == nullptr) {
            rule.fault.body = R"({"error":"Injected fault"})";
        } else {
            rule.fault.body = body->is_string() ? body->get<std::string>() : body->dump();
        }
    }
    if (rule.fault.kind == FaultKind::delay) {
        rule.fault.delaySeconds = decodeSeconds(reader, "delaySeconds");
        if (rule.fault.delaySeconds < 0 || rule.fault.delaySeconds > 3600) {
            throw reader.error("delaySeconds", "Expected 0 to 3600 seconds");
        }
    }
    return rule;
}

}  // namespace kindora::devserver::HouseholdJson
