#include "core/interrupts/InterruptPoller.hpp"

#include <algorithm>
#include <exception>
#include <utility>

#include "core/backend/BackendError.hpp"
#include "core/common/Jitter.hpp"

namespace kindora {

InterruptPoller::InterruptPoller(InterruptBackendClientProtocol& client,
                                 CredentialStoreProtocol& credentialStore,
                                 RevocationHandler& revocationHandler, Sleeper sleeper)
    : client_(client),
      credentialStore_(credentialStore),
      revocationHandler_(revocationHandler),
      loop_("Interrupts", std::move(sleeper), [this](StopToken stop) { return tick(std::move(stop)); }) {}

void InterruptPoller::start() {
    loop_.start();
}

void InterruptPoller::stop() {
    loop_.stop();
}

void InterruptPoller::tickNow() {
    loop_.tickNow();
}

void InterruptPoller::join() {
    loop_.join();
}

bool InterruptPoller::isRunning() const {
    return loop_.isRunning();
}

void InterruptPoller::setInterruptsHandler(InterruptsHandler handler) {
    std::lock_guard lock(handlerMutex_);
    interruptsHandler_ = std::move(handler);
}

double InterruptPoller::tick(StopToken stop) {
    const auto token = credentialStore_.loadDeviceToken();
    if (!token) {
        return pollInterval;
    }
    try {
        const InterruptsResponse response = client_.interrupts(*token, stop);
        if (response.skipped > 0) {
            // The count only: an alert's fields are the household's words.
            logger_.error("skipped {} interrupts that could not be read", response.skipped);
        }
        InterruptsHandler handler;
        {
            std::lock_guard lock(handlerMutex_);
            handler = interruptsHandler_;
        }
        if (handler) {
            handler(response);
        }
        backoffSeconds_ = pollInterval;
        return pollInterval;
    } catch (const BackendError& error) {
        if (error.kind() == BackendError::Kind::revoked) {
            loop_.stop();
            revocationHandler_.handleRevoked();
            return pollInterval;
        }
        if (stop.stop_requested()) {
            return pollInterval;  // the request was cancelled by stop(), not refused
        }
        logger_.error("interrupt poll failed, backing off: {}", error.what());
    } catch (const std::exception& error) {
        logger_.error("interrupt poll failed, backing off: {}", error.what());
    }
    return backOff();
}

double InterruptPoller::backOff() {
    const double delay = Jitter::apply(backoffSeconds_);
    backoffSeconds_ = std::min(backoffSeconds_ * 2, maxBackoff);
    return delay;
}

}  // namespace kindora
