#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "core/common/JsonCoding.hpp"

namespace kindora {

// The JSON bodies of failed answers that the client reads; other keys are ignored.

// Any failure: its `error` text becomes the message of an `http` error.
struct BackendErrorBody {
    std::string error;

    friend bool operator==(const BackendErrorBody&, const BackendErrorBody&) = default;
};

// A 401 whose `status` is "revoked" means the device was revoked.
struct RevokedStatusBody {
    std::string status;

    friend bool operator==(const RevokedStatusBody&, const RevokedStatusBody&) = default;
};

// A refused alert action: `code` selects the error ("requires-resolution", "requires-manage",
// "forbidden"), `error` is its message.
struct AlertActionErrorBody {
    std::optional<std::string> error;
    std::optional<std::string> code;

    friend bool operator==(const AlertActionErrorBody&, const AlertActionErrorBody&) = default;
};

nlohmann::ordered_json toJson(const BackendErrorBody& body);
nlohmann::ordered_json toJson(const RevokedStatusBody& body);
nlohmann::ordered_json toJson(const AlertActionErrorBody& body);

template <>
BackendErrorBody fromJson<BackendErrorBody>(const nlohmann::json& json);
template <>
RevokedStatusBody fromJson<RevokedStatusBody>(const nlohmann::json& json);
template <>
AlertActionErrorBody fromJson<AlertActionErrorBody>(const nlohmann::json& json);

}  // namespace kindora
