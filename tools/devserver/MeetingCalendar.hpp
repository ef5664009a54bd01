#pragma once

#include <string>
#include <vector>

#include "core/backend/MeetingRecords.hpp"

namespace kindora::devserver {

// The user's upcoming meetings as the household's connected calendar knows them. Not thread-safe;
// the Household guards it.
class MeetingCalendar {
public:
    // Throws ApiError 400 for an empty id or title, 409 when the id exists already.
    const Meeting& add(Meeting meeting);
    bool remove(const std::string& id);
    // Every meeting, earliest start first.
    MeetingsResponse upcoming() const;

    const std::vector<Meeting>& meetings() const { return meetings_; }
    void restore(std::vector<Meeting> meetings) { meetings_ = std::move(meetings); }

private:
    std::vector<Meeting> meetings_;
};

}  // namespace kindora::devserver
