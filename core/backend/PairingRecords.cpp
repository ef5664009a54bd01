#include "core/backend/PairingRecords.hpp"

#include <array>
#include <utility>

#include "core/common/JsonDate.hpp"
#include "core/common/JsonObjectReader.hpp"

namespace kindora {
namespace {

constexpr std::array<std::pair<PairingStatusValue, std::string_view>, 4> statusWireValues{{
    {PairingStatusValue::pending, "pending"},
    {PairingStatusValue::active, "active"},
    {PairingStatusValue::expired, "expired"},
    {PairingStatusValue::revoked, "revoked"},
}};

}  // namespace

std::string_view toWire(PairingStatusValue value) {
    for (const auto& [candidate, wire] : statusWireValues) {
        if (candidate == value) {
            return wire;
        }
    }
    return "pending";
}

std::optional<PairingStatusValue> pairingStatusValueFromWire(std::string_view wire) {
    for (const auto& [value, candidate] : statusWireValues) {
        if (candidate == wire) {
            return value;
        }
    }
    return std::nullopt;
}

nlohmann::ordered_json toJson(const PairingCreateRequest& request) {
    nlohmann::ordered_json json;
    json["deviceName"] = request.deviceName;
    json["platform"] = request.platform;
    if (request.agentVersion) {
        json["agentVersion"] = *request.agentVersion;
    }
    return json;
}

nlohmann::ordered_json toJson(const PairingCreateResponse& response) {
    nlohmann::ordered_json json;
    json["deviceId"] = response.deviceId;
    json["deviceToken"] = response.deviceToken;
    json["code"] = response.code;
    json["expiresAt"] = JsonDate::encode(response.expiresAt);
    json["pollIntervalSeconds"] = response.pollIntervalSeconds;
    return json;
}

nlohmann::ordered_json toJson(const PairingStatusResponse& response) {
    nlohmann::ordered_json json;
    json["status"] = toWire(response.status);
    return json;
}

template <>
PairingCreateRequest fromJson<PairingCreateRequest>(const nlohmann::json& json) {
    const JsonObjectReader reader(json, "PairingCreateRequest");
    PairingCreateRequest request;
    request.deviceName = reader.requiredString("deviceName");
    request.platform = reader.requiredString("platform");
    request.agentVersion = reader.optionalString("agentVersion");
    return request;
}

template <>
PairingCreateResponse fromJson<PairingCreateResponse>(const nlohmann::json& json) {
    const JsonObjectReader reader(json, "PairingCreateResponse");
    PairingCreateResponse response;
    response.deviceId = reader.requiredString("deviceId");
    response.deviceToken = reader.requiredString("deviceToken");
    response.code = reader.requiredString("code");
    response.expiresAt = reader.requiredDate("expiresAt");
    response.pollIntervalSeconds = reader.requiredInt("pollIntervalSeconds");
    return response;
}

template <>
PairingStatusResponse fromJson<PairingStatusResponse>(const nlohmann::json& json) {
    const JsonObjectReader reader(json, "PairingStatusResponse");
    const std::string wire = reader.requiredString("status");
    const auto status = pairingStatusValueFromWire(wire);
    if (!status) {
        throw reader.error("status", "Unknown pairing status \"" + wire + "\"");
    }
    return PairingStatusResponse{*status};
}

}  // namespace kindora
