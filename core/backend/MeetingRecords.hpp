#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/common/Date.hpp"
#include "core/common/JsonCoding.hpp"

namespace kindora {

// The records of "/api/agent/meetings": the user's upcoming calendar meetings. The list is read
// leniently: a meeting that cannot be decoded is skipped and the others are kept, in order.

enum class MeetingProvider { meet, zoom, teams, webex, other };

// "meet", "zoom", "teams", "webex" or "other"; reading any other text gives `other`.
std::string_view toWire(MeetingProvider provider);
MeetingProvider meetingProviderFromWire(std::string_view wire);

// One meeting. `joinUrl` is kept as text; whether it can be opened is decided where it is used.
struct Meeting {
    std::string id;
    std::string title;
    Date startsAt{};
    std::optional<Date> endsAt;
    std::optional<std::string> joinUrl;
    MeetingProvider provider = MeetingProvider::other;
    std::string calendarLabel;

    friend bool operator==(const Meeting&, const Meeting&) = default;
};

// `skipped` counts the meetings that could not be read; it is not part of the wire form.
struct MeetingsResponse {
    std::vector<Meeting> meetings;
    std::size_t skipped = 0;

    friend bool operator==(const MeetingsResponse&, const MeetingsResponse&) = default;
};

nlohmann::ordered_json toJson(const Meeting& meeting);
nlohmann::ordered_json toJson(const MeetingsResponse& response);

template <>
Meeting fromJson<Meeting>(const nlohmann::json& json);
template <>
MeetingsResponse fromJson<MeetingsResponse>(const nlohmann::json& json);

}  // namespace kindora
