#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/common/JsonCoding.hpp"

namespace kindora {

// The records of "/api/agent/heartbeat": the agent's liveness report and the backend's answer with
// the commands it sends back.

// `cursor` is the decimal text of the sync watermark, absent before any sync state was stored. With
// neither value the body is the empty object.
struct HeartbeatRequest {
    std::optional<std::string> cursor;
    std::optional<std::string> agentVersion;

    friend bool operator==(const HeartbeatRequest&, const HeartbeatRequest&) = default;
};

// A command from the backend. The agent knows no command yet, so every one is "unknown", carrying the
// backend's `type` text when the element had one. Decoding an element never fails.
struct AgentCommand {
    static AgentCommand unknown(std::optional<std::string> type) { return AgentCommand{std::move(type)}; }

    std::optional<std::string> type;

    friend bool operator==(const AgentCommand&, const AgentCommand&) = default;
};

// `status` is a word the agent does not interpret; `commands` is required but may be empty.
struct HeartbeatResponse {
    std::string status;
    std::vector<AgentCommand> commands;

    friend bool operator==(const HeartbeatResponse&, const HeartbeatResponse&) = default;
};

nlohmann::ordered_json toJson(const HeartbeatRequest& request);
nlohmann::ordered_json toJson(const AgentCommand& command);
nlohmann::ordered_json toJson(const HeartbeatResponse& response);

template <>
HeartbeatRequest fromJson<HeartbeatRequest>(const nlohmann::json& json);
template <>
AgentCommand fromJson<AgentCommand>(const nlohmann::json& json);
template <>
HeartbeatResponse fromJson<HeartbeatResponse>(const nlohmann::json& json);

}  // namespace kindora
