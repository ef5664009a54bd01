#include "core/lifecycle/AppState.hpp"

#include <utility>

namespace kindora {

AppState::AppState(Phase phase) : phase_(std::move(phase)) {}

void AppState::setPhase(Phase phase) {
    phase_.set(std::move(phase));
}

Subscription AppState::observePhase(Observable<Phase>::Observer observer) const {
    return phase_.observe(std::move(observer));
}

void AppState::recomputePhase(bool hasCredentials, bool fdaOK) {
    if (!hasCredentials) {
        // The token is stored only once the pairing is confirmed, so a missing token must not take
        // the code off the screen.
        if (!phase().isPairing()) {
            setPhase(Phase::signedOut());
        }
        return;
    }
    if (!fdaOK) {
        setPhase(Phase::fdaMissing());
        return;
    }
    if (!phase().isRunning()) {
        setPhase(Phase::running(Health::healthy()));
    }
}

}  // namespace kindora
