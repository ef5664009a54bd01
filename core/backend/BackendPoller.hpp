#pragma once

#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <utility>

#include "core/backend/BackendError.hpp"
#include "core/common/Backoff.hpp"
#include "core/common/Log.hpp"
#include "core/common/PollingLoop.hpp"
#include "core/common/Sleeper.hpp"
#include "core/common/StopToken.hpp"
#include "core/credentials/CredentialStoreProtocol.hpp"
#include "core/credentials/RevocationHandler.hpp"

namespace kindora {

// What sets one backend poller apart from another: its names and its timing.
struct BackendPollerSettings {
    std::string loopName;        // the loop's thread
    std::string logCategory;     // "Interrupts", "Meetings"
    std::string failureMessage;  // logged before the error's description
    std::string recordName;      // "interrupts": what the skipped count counts
    double interval = 0;         // after a success, and while no device token is stored
    double initialBackoff = 0;   // after the first failure in a row, before jitter
    double maximumBackoff = 0;   // the back-off doubles up to this
};

// The loop shared by the pollers of the household backend: on a thread of its own, every `interval`
// seconds it reads the device token, fetches one answer and hands it to one handler. Without a token
// it does not call the backend. A failure is logged and backs off with jitter; a success resets the
// back-off. A revoked device stops the loop and runs the revocation flow. Records of the answer that
// could not be read were skipped by the decoder; their count is logged, never their content.
// `Response` has a `skipped` count.
template <typename Response>
class BackendPoller {
public:
    using Fetch = std::function<Response(const std::string& token, StopToken stop)>;
    // Called on the poller's thread; whoever touches main-thread state from it posts there first.
    using Handler = std::function<void(const Response&)>;

    BackendPoller(BackendPollerSettings settings, Fetch fetch, CredentialStoreProtocol& credentialStore,
                  RevocationHandler& revocationHandler, Sleeper sleeper,
                  Backoff::JitterFactor jitterFactor = {})
        : settings_(std::move(settings)),
          fetch_(std::move(fetch)),
          credentialStore_(credentialStore),
          revocationHandler_(revocationHandler),
          logger_(settings_.logCategory),
          backoff_(settings_.initialBackoff, settings_.maximumBackoff, std::move(jitterFactor)),
          loop_(settings_.loopName, std::move(sleeper),
                [this](StopToken stop) { return tick(std::move(stop)); }) {}
    BackendPoller(const BackendPoller&) = delete;
    BackendPoller& operator=(const BackendPoller&) = delete;

    void start() { loop_.start(); }
    // Never blocks; the wait and the request in flight are cancelled.
    void stop() { loop_.stop(); }
    // Ends the current wait so that the next request starts at once; does nothing during a request.
    void tickNow() { loop_.tickNow(); }
    // After stop(): waits until the loop's thread has ended. Never from the loop's own callbacks.
    void join() { loop_.join(); }
    bool isRunning() const { return loop_.isRunning(); }

    // Replaces the receiver of every successful poll (an empty function removes it).
    void setHandler(Handler handler) {
        std::lock_guard lock(handlerMutex_);
        handler_ = std::move(handler);
    }

private:
    double tick(StopToken stop) {
        const auto token = credentialStore_.loadDeviceToken();
        if (!token) {
            return settings_.interval;
        }
        try {
            const Response response = fetch_(*token, stop);
            if (response.skipped > 0) {
                logger_.error("skipped {} {} that could not be read", response.skipped, settings_.recordName);
            }
            handOn(response);
            backoff_.reset();
            return settings_.interval;
        } catch (const BackendError& error) {
            if (error.kind() == BackendError::Kind::revoked) {
                loop_.stop();
                revocationHandler_.handleRevoked();
                return settings_.interval;
            }
            if (stop.stop_requested()) {
                return settings_.interval;  // the request was cancelled by stop(), not refused
            }
            return backOff(error.what());
        } catch (const std::exception& error) {
            return backOff(error.what());
        }
    }

    void handOn(const Response& response) {
        Handler handler;
        {
            std::lock_guard lock(handlerMutex_);
            handler = handler_;
        }
        if (handler) {
            handler(response);
        }
    }

    double backOff(const char* description) {
        logger_.error("{}{}", settings_.failureMessage, description);
        return backoff_.nextDelay();
    }

    const BackendPollerSettings settings_;
    const Fetch fetch_;
    CredentialStoreProtocol& credentialStore_;
    RevocationHandler& revocationHandler_;
    const Log logger_;

    std::mutex handlerMutex_;
    Handler handler_;

    // Only the loop's thread touches it; it keeps its value across a stop and is reset by a success.
    Backoff backoff_;

    PollingLoop loop_;  // last: stops and joins before the state its tick uses goes away
};

}  // namespace kindora
