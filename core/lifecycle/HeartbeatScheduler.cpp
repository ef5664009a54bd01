#include "core/lifecycle/HeartbeatScheduler.hpp"

#include <exception>
#include <utility>

#include "core/backend/BackendError.hpp"

namespace kindora {

HeartbeatScheduler::HeartbeatScheduler(HeartbeatBackendClientProtocol& client,
                                       CredentialStoreProtocol& credentialStore,
                                       WatermarkStore& watermarkStore, RevocationHandler& revocationHandler,
                                       CommandHandling& commandHandler, Sleeper sleeper, SyncClock clock,
                                       std::optional<std::string> agentVersion)
    : client_(client),
      credentialStore_(credentialStore),
      watermarkStore_(watermarkStore),
      revocationHandler_(revocationHandler),
      commandHandler_(commandHandler),
      clock_(std::move(clock)),
      agentVersion_(std::move(agentVersion)),
      loop_("Heartbeat", std::move(sleeper), [this](StopToken stop) { return tick(stop); }) {}

void HeartbeatScheduler::start() {
    loop_.start();
}

void HeartbeatScheduler::stop() {
    loop_.stop();
}

void HeartbeatScheduler::tickNow() {
    loop_.tickNow();
}

void HeartbeatScheduler::join() {
    loop_.join();
}

bool HeartbeatScheduler::isRunning() const {
    return loop_.isRunning();
}

void HeartbeatScheduler::setStatusHandler(StatusHandler handler) {
    std::lock_guard lock(mutex_);
    statusHandler_ = std::move(handler);
}

void HeartbeatScheduler::noteBackendContact() {
    bool heartbeatIsDue = false;
    {
        std::lock_guard lock(mutex_);
        const int previousFailures = std::exchange(consecutiveFailures_, 0);
        if (previousFailures >= degradedAfterFailures) {
            report(HeartbeatStatus{lastHeartbeatAt_, false});
        }
        heartbeatIsDue = !lastHeartbeatAt_ || secondsBetween(*lastHeartbeatAt_, clock_.now()) > interval;
    }
    if (heartbeatIsDue) {
        loop_.tickNow();
    }
}

void HeartbeatScheduler::report(const HeartbeatStatus& status) {
    if (!statusHandler_) {
        return;
    }
    try {
        statusHandler_(status);
    } catch (const std::exception& error) {
        logger_.fault("heartbeat status handler threw: {}", error.what());
    }
}

void HeartbeatScheduler::recordFailure(const std::exception& error, const StopToken& stop) {
    if (stop.stop_requested()) {
        return;  // cut short by stop(): says nothing about the connection
    }
    std::lock_guard lock(mutex_);
    ++consecutiveFailures_;
    logger_.error("heartbeat failed ({} consecutive): {}", consecutiveFailures_, error.what());
    report(HeartbeatStatus{lastHeartbeatAt_, consecutiveFailures_ >= degradedAfterFailures});
}

double HeartbeatScheduler::tick(const StopToken& stop) {
    const auto token = credentialStore_.loadDeviceToken();
    if (!token) {
        return interval;
    }
    std::optional<std::int64_t> cursor;
    try {
        if (const auto state = watermarkStore_.load()) {
            cursor = state->lastRowID;
        }
    } catch (const WatermarkUnreadableError&) {
        // The cursor is informational; the sync loop reports the unreadable state.
    }

    HeartbeatResponse response;
    try {
        response = client_.heartbeat(*token, cursor, agentVersion_, stop);
    } catch (const BackendError& error) {
        if (error.kind() == BackendError::Kind::revoked) {
            // No further heartbeats until started again; the handler's callback signs the agent out,
            // which stops the other loops.
            loop_.stop();
            revocationHandler_.handleRevoked();
            return interval;
        }
        recordFailure(error, stop);
        return interval;
    } catch (const std::exception& error) {
        recordFailure(error, stop);
        return interval;
    }

    {
        std::lock_guard lock(mutex_);
        consecutiveFailures_ = 0;
        lastHeartbeatAt_ = clock_.now();
        report(HeartbeatStatus{lastHeartbeatAt_, false});
    }
    try {
        commandHandler_.handle(response.commands);
    } catch (const std::exception& error) {
        logger_.error("heartbeat command handling failed: {}", error.what());
    }
    return interval;
}

}  // namespace kindora
