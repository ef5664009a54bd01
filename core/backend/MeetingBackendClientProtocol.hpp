#pragma once

#include "core/common/StopToken.hpp"
#include <string>

#include "core/backend/MeetingRecords.hpp"

namespace kindora {

// The backend as the meeting poller sees it. Blocks until the answer, throws only BackendError; a
// stop request aborts it (as a network error).
class MeetingBackendClientProtocol {
public:
    virtual ~MeetingBackendClientProtocol() = default;

    virtual MeetingsResponse fetchMeetings(const std::string& token, StopToken stop = {}) = 0;
};

}  // namespace kindora
