#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "core/common/Date.hpp"
#include "core/common/JsonCoding.hpp"

namespace kindora {

// The records of the two pairing endpoints: the request and answer of "/api/agent/pair" and the
// answer of "/api/agent/pair/status".

// Body of createPairing. `platform` is always "macos"; the backend knows no other value.
struct PairingCreateRequest {
    std::string deviceName;
    std::string platform = "macos";
    std::optional<std::string> agentVersion;

    friend bool operator==(const PairingCreateRequest&, const PairingCreateRequest&) = default;
};

// Every key is required. The pairing controller never polls faster than every 2 seconds, whatever
// `pollIntervalSeconds` says.
struct PairingCreateResponse {
    std::string deviceId;
    std::string deviceToken;
    std::string code;
    Date expiresAt{};
    std::int64_t pollIntervalSeconds = 0;

    friend bool operator==(const PairingCreateResponse&, const PairingCreateResponse&) = default;
};

enum class PairingStatusValue { pending, active, expired, revoked };

// "pending", "active", "expired" or "revoked"; any other text (other letter case included) is none.
std::string_view toWire(PairingStatusValue value);
std::optional<PairingStatusValue> pairingStatusValueFromWire(std::string_view wire);

struct PairingStatusResponse {
    PairingStatusValue status = PairingStatusValue::pending;

    friend bool operator==(const PairingStatusResponse&, const PairingStatusResponse&) = default;
};

nlohmann::ordered_json toJson(const PairingCreateRequest& request);
nlohmann::ordered_json toJson(const PairingCreateResponse& response);
nlohmann::ordered_json toJson(const PairingStatusResponse& response);

template <>
PairingCreateRequest fromJson<PairingCreateRequest>(const nlohmann::json& json);
template <>
PairingCreateResponse fromJson<PairingCreateResponse>(const nlohmann::json& json);
template <>
PairingStatusResponse fromJson<PairingStatusResponse>(const nlohmann::json& json);

}  // namespace kindora
