#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/backend/Uuid.hpp"
#include "core/common/Date.hpp"
#include "core/common/JsonCoding.hpp"

namespace kindora {

// The records of the interrupt calls: the open household alerts of "/api/agent/interrupts" and the
// answer of an alert's "/ack" or "/resolve" action.

enum class InterruptUrgency { urgent, critical };

// "URGENT" or "CRITICAL". Reading is lenient: every text but "URGENT" is critical, so a level the
// agent does not know is shown with the highest urgency rather than dropped.
std::string_view toWire(InterruptUrgency urgency);
InterruptUrgency interruptUrgencyFromWire(std::string_view wire);

// One open alert. `requiresResolution`: a mere acknowledgement cannot close it. `canResolve`: this
// device's user may resolve it (true when the backend leaves it out). `groupKey` ties the alerts of
// one incident together.
struct Interrupt {
    Uuid id = Uuid::nil();
    std::string title;
    std::string body;
    InterruptUrgency urgency = InterruptUrgency::critical;
    std::string source;
    Date raisedAt{};
    bool requiresResolution = false;
    bool canResolve = true;
    std::optional<std::string> groupKey;
    std::optional<std::string> calendarLabel;

    friend bool operator==(const Interrupt&, const Interrupt&) = default;
};

// Decoded leniently: an interrupt that cannot be read (a missing key, a date in an unexpected form) is
// left out and counted in `skipped`, so that one bad element does not hide every other alert.
// `truncated` says the backend sent fewer than are open. `skipped` is not part of the wire form.
struct InterruptsResponse {
    std::vector<Interrupt> interrupts;
    bool truncated = false;
    std::size_t skipped = 0;

    friend bool operator==(const InterruptsResponse&, const InterruptsResponse&) = default;
};

// The answer of both alert actions; the agent does not interpret `status`.
struct AlertActionResponse {
    Uuid id = Uuid::nil();
    std::string status;

    friend bool operator==(const AlertActionResponse&, const AlertActionResponse&) = default;
};

nlohmann::ordered_json toJson(const Interrupt& interrupt);
nlohmann::ordered_json toJson(const InterruptsResponse& response);
nlohmann::ordered_json toJson(const AlertActionResponse& response);

template <>
Interrupt fromJson<Interrupt>(const nlohmann::json& json);
template <>
InterruptsResponse fromJson<InterruptsResponse>(const nlohmann::json& json);
template <>
AlertActionResponse fromJson<AlertActionResponse>(const nlohmann::json& json);

}  // namespace kindora
