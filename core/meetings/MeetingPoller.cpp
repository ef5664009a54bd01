#include "core/meetings/MeetingPoller.hpp"

#include <utility>

namespace kindora {

MeetingPoller::MeetingPoller(MeetingBackendClientProtocol& client, CredentialStoreProtocol& credentialStore,
                             RevocationHandler& revocationHandler, Sleeper sleeper)
    : BackendPoller(
          {"MeetingPoller", "Meetings", "meeting poll failed, backing off: ", "meetings", interval,
           initialBackoff, maximumBackoff},
          [&client](const std::string& token, StopToken stop) { return client.fetchMeetings(token, stop); },
          credentialStore, revocationHandler, std::move(sleeper)) {}

}  // namespace kindora
