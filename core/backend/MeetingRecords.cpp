#include "core/backend/MeetingRecords.hpp"

#include <array>
#include <utility>

#include "core/common/JsonDate.hpp"
#include "core/common/JsonObjectReader.hpp"

namespace kindora {
namespace {

constexpr std::array<std::pair<MeetingProvider, std::string_view>, 5> providerWireValues{{
    {MeetingProvider::meet, "meet"},
    {MeetingProvider::zoom, "zoom"},
    {MeetingProvider::teams, "teams"},
    {MeetingProvider::webex, "webex"},
    {MeetingProvider::other, "other"},
}};

}  // namespace

std::string_view toWire(MeetingProvider provider) {
    for (const auto& [candidate, wire] : providerWireValues) {
        if (candidate == provider) {
            return wire;
        }
    }
    return "other";
}

MeetingProvider meetingProviderFromWire(std::string_view wire) {
    for (const auto& [provider, candidate] : providerWireValues) {
        if (candidate == wire) {
            return provider;
        }
    }
    return MeetingProvider::other;
}

nlohmann::ordered_json toJson(const Meeting& meeting) {
    nlohmann::ordered_json json;
    json["id"] = meeting.id;
    json["title"] = meeting.title;
    json["startsAt"] = JsonDate::encode(meeting.startsAt);
    if (meeting.endsAt) {
        json["endsAt"] = JsonDate::encode(*meeting.endsAt);
    }
    if (meeting.joinUrl) {
        json["joinUrl"] = *meeting.joinUrl;
    }
    json["provider"] = toWire(meeting.provider);
    json["calendarLabel"] = meeting.calendarLabel;
    return json;
}

nlohmann::ordered_json toJson(const MeetingsResponse& response) {
    nlohmann::ordered_json json;
    auto& meetings = json["meetings"] = nlohmann::ordered_json::array();
    for (const auto& meeting : response.meetings) {
        meetings.push_back(toJson(meeting));
    }
    return json;
}

namespace {

Meeting decodeMeeting(const nlohmann::json& json, std::string context) {
    const JsonObjectReader reader(json, std::move(context));
    Meeting meeting;
    meeting.id = reader.requiredString("id");
    meeting.title = reader.requiredString("title");
    meeting.startsAt = reader.requiredDate("startsAt");
    meeting.endsAt = reader.optionalDate("endsAt");
    meeting.joinUrl = reader.optionalString("joinUrl");
    meeting.provider = meetingProviderFromWire(reader.optionalString("provider").value_or("other"));
    meeting.calendarLabel = reader.optionalString("calendarLabel").value_or("");
    return meeting;
}

}  // namespace

template <>
Meeting fromJson<Meeting>(const nlohmann::json& json) {
    return decodeMeeting(json, "Meeting");
}

template <>
MeetingsResponse fromJson<MeetingsResponse>(const nlohmann::json& json) {
    const JsonObjectReader reader(json, "MeetingsResponse");
    MeetingsResponse response;
    auto meetings = reader.lossyArrayOf("meetings", decodeMeeting);
    response.meetings = std::move(meetings.elements);
    response.skipped = meetings.skipped;
    return response;
}

}  // namespace kindora
