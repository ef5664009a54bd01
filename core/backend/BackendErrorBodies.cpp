#include "core/backend/BackendErrorBodies.hpp"

#include "core/common/JsonObjectReader.hpp"

namespace kindora {

nlohmann::ordered_json toJson(const BackendErrorBody& body) {
    nlohmann::ordered_json json;
    json["error"] = body.error;
    return json;
}

nlohmann::ordered_json toJson(const RevokedStatusBody& body) {
    nlohmann::ordered_json json;
    json["status"] = body.status;
    return json;
}

nlohmann::ordered_json toJson(const AlertActionErrorBody& body) {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    if (body.error) {
        json["error"] = *body.error;
    }
    if (body.code) {
        json["code"] = *body.code;
    }
    return json;
}

template <>
BackendErrorBody fromJson<BackendErrorBody>(const nlohmann::json& json) {
    return BackendErrorBody{JsonObjectReader(json, "BackendErrorBody").requiredString("error")};
}

template <>
RevokedStatusBody fromJson<RevokedStatusBody>(const nlohmann::json& json) {
    return RevokedStatusBody{JsonObjectReader(json, "RevokedStatusBody").requiredString("status")};
}

template <>
AlertActionErrorBody fromJson<AlertActionErrorBody>(const nlohmann::json& json) {
    const JsonObjectReader reader(json, "AlertActionErrorBody");
    return AlertActionErrorBody{reader.optionalString("error"), reader.optionalString("code")};
}

}  // namespace kindora
