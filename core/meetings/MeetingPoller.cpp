#include "core/meetings/MeetingPoller.hpp"

#include <algorithm>
#include <exception>
#include <utility>

#include "core/backend/BackendError.hpp"
#include "core/common/Jitter.hpp"

namespace kindora {

MeetingPoller::MeetingPoller(MeetingBackendClientProtocol& client, CredentialStoreProtocol& credentialStore,
                             RevocationHandler& revocationHandler, Sleeper sleeper)
    : client_(client),
      credentialStore_(credentialStore),
      revocationHandler_(revocationHandler),
      loop_("MeetingPoller", std::move(sleeper),
            [this](StopToken stop) { return tick(std::move(stop)); }) {}

void MeetingPoller::start() {
    loop_.start();
}

void MeetingPoller::stop() {
    loop_.stop();
}

void MeetingPoller::tickNow() {
    loop_.tickNow();
}

void MeetingPoller::join() {
    loop_.join();
}

bool MeetingPoller::isRunning() const {
    return loop_.isRunning();
}

void MeetingPoller::setMeetingsHandler(MeetingsHandler handler) {
    std::lock_guard lock(handlerMutex_);
    meetingsHandler_ = std::move(handler);
}

double MeetingPoller::tick(StopToken stop) {
    const auto token = credentialStore_.loadDeviceToken();
    if (!token) {
        return interval;
    }
    try {
        const auto response = client_.fetchMeetings(*token, stop);
        if (response.skipped > 0) {
            logger_.error("skipped {} meetings that could not be read", response.skipped);
        }
        MeetingsHandler handler;
        {
            std::lock_guard lock(handlerMutex_);
            handler = meetingsHandler_;
        }
        if (handler) {
            handler(response);
        }
        backoffSeconds_ = maximumBackoff;
        return interval;
    } catch (const BackendError& error) {
        if (error.kind() == BackendError::Kind::revoked) {
            loop_.stop();
            revocationHandler_.handleRevoked();
            return interval;
        }
        if (stop.stop_requested()) {
            return interval;  // the request was cut short by stop(); nothing failed
        }
        return backOff(error.what());
    } catch (const std::exception& error) {
        return backOff(error.what());
    }
}

double MeetingPoller::backOff(const char* description) {
    logger_.error("meeting poll failed, backing off: {}", description);
    const double delay = Jitter::apply(backoffSeconds_);
    backoffSeconds_ = std::min(backoffSeconds_ * 2, maximumBackoff);
    return delay;
}

}  // namespace kindora
