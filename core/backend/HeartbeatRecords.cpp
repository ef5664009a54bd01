#include "core/backend/HeartbeatRecords.hpp"

#include "core/common/JsonObjectReader.hpp"

namespace kindora {

nlohmann::ordered_json toJson(const HeartbeatRequest& request) {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    if (request.cursor) {
        json["cursor"] = *request.cursor;
    }
    if (request.agentVersion) {
        json["agentVersion"] = *request.agentVersion;
    }
    return json;
}

nlohmann::ordered_json toJson(const AgentCommand& command) {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    if (command.type) {
        json["type"] = *command.type;
    }
    return json;
}

nlohmann::ordered_json toJson(const HeartbeatResponse& response) {
    nlohmann::ordered_json json;
    json["status"] = response.status;
    auto& commands = json["commands"] = nlohmann::ordered_json::array();
    for (const auto& command : response.commands) {
        commands.push_back(toJson(command));
    }
    return json;
}

template <>
HeartbeatRequest fromJson<HeartbeatRequest>(const nlohmann::json& json) {
    const JsonObjectReader reader(json, "HeartbeatRequest");
    return HeartbeatRequest{reader.optionalString("cursor"), reader.optionalString("agentVersion")};
}

template <>
AgentCommand fromJson<AgentCommand>(const nlohmann::json& json) {
    if (json.is_object()) {
        const auto type = json.find("type");
        if (type != json.end() && type->is_string()) {
            return AgentCommand::unknown(type->get<std::string>());
        }
    }
    return AgentCommand::unknown(std::nullopt);
}

template <>
HeartbeatResponse fromJson<HeartbeatResponse>(const nlohmann::json& json) {
    const JsonObjectReader reader(json, "HeartbeatResponse");
    HeartbeatResponse response;
    response.status = reader.requiredString("status");
    response.commands = reader.requiredArrayOf(
        "commands",
        [](const nlohmann::json& element, const std::string&) { return fromJson<AgentCommand>(element); });
    return response;
}

}  // namespace kindora
