#pragma once

#include <functional>
#include <mutex>
#include "core/common/StopToken.hpp"

#include "core/backend/MeetingBackendClientProtocol.hpp"
#include "core/backend/MeetingRecords.hpp"
#include "core/common/Log.hpp"
#include "core/common/PollingLoop.hpp"
#include "core/common/Sleeper.hpp"
#include "core/credentials/CredentialStoreProtocol.hpp"
#include "core/credentials/RevocationHandler.hpp"

namespace kindora {

// Fetches the user's upcoming meetings once a minute on a thread of its own and hands every answer to
// one handler. Timing within the minute is left to the receivers. Without a device token it does not
// call the backend; after a failure it waits 60 seconds, jittered; a revoked device ends the loop.
class MeetingPoller {
public:
    static constexpr double interval = 60;
    static constexpr double maximumBackoff = 60;

    // Called on the poller's thread; whoever touches main-thread state from it posts there first.
    using MeetingsHandler = std::function<void(const MeetingsResponse&)>;

    MeetingPoller(MeetingBackendClientProtocol& client, CredentialStoreProtocol& credentialStore,
                  RevocationHandler& revocationHandler, Sleeper sleeper);
    MeetingPoller(const MeetingPoller&) = delete;
    MeetingPoller& operator=(const MeetingPoller&) = delete;

    void start();
    // Never blocks; cancels the wait and the request in flight.
    void stop();
    // Cuts the current wait short so the next fetch starts at once.
    void tickNow();
    // After stop(): waits until the loop's thread has ended. Never from the loop's own callbacks.
    void join();
    bool isRunning() const;

    void setMeetingsHandler(MeetingsHandler handler);

private:
    double tick(StopToken stop);
    double backOff(const char* description);

    MeetingBackendClientProtocol& client_;
    CredentialStoreProtocol& credentialStore_;
    RevocationHandler& revocationHandler_;
    Log logger_{"Meetings"};
    std::mutex handlerMutex_;
    MeetingsHandler meetingsHandler_;
    double backoffSeconds_ = maximumBackoff;  // touched only by the loop's thread
    PollingLoop loop_;                        // last: stopped and joined before the rest goes away
};

}  // namespace kindora
