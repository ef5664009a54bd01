#pragma once

#include "core/backend/BackendPoller.hpp"
#include "core/backend/MeetingBackendClientProtocol.hpp"
#include "core/backend/MeetingRecords.hpp"

namespace kindora {

// Fetches the user's upcoming meetings once a minute on a thread of its own and hands every answer to
// one handler. Timing within the minute is left to the receivers. Without a device token it does not
// call the backend; after a failure it waits 60 seconds, jittered (the back-off starts at its cap, so
// it never grows); a revoked device ends the loop.
class MeetingPoller : public BackendPoller<MeetingsResponse> {
public:
    using MeetingsHandler = Handler;

    static constexpr double interval = 60;
    static constexpr double initialBackoff = 60;
    static constexpr double maximumBackoff = 60;

    MeetingPoller(MeetingBackendClientProtocol& client, CredentialStoreProtocol& credentialStore,
                  RevocationHandler& revocationHandler, Sleeper sleeper);

    void setMeetingsHandler(MeetingsHandler handler) { setHandler(std::move(handler)); }
};

}  // namespace kindora
