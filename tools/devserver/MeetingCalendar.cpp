#include "tools/devserver/MeetingCalendar.hpp"

#include <algorithm>

#include "tools/devserver/ApiError.hpp"

namespace kindora::devserver {

const Meeting& MeetingCalendar::add(Meeting meeting) {
    if (meeting.id.empty() || meeting.title.empty()) {
        throw ApiError::badRequest("A meeting needs an id and a title");
    }
    if (std::any_of(meetings_.begin(), meetings_.end(),
                    [&](const Meeting& other) { return other.id == meeting.id; })) {
        throw ApiError(409, "A meeting with id " + meeting.id + " exists already");
    }
    meetings_.push_back(std::move(meeting));
    return meetings_.back();
}

bool MeetingCalendar::remove(const std::string& id) {
    return std::erase_if(meetings_, [&](const Meeting& meeting) { return meeting.id == id; }) > 0;
}

MeetingsResponse MeetingCalendar::upcoming() const {
    MeetingsResponse response{meetings_};
    std::stable_sort(response.meetings.begin(), response.meetings.end(),
                     [](const Meeting& a, const Meeting& b) { return a.startsAt < b.startsAt; });
    return response;
}

}  // namespace kindora::devserver
